// Replays every input that once made a fuzz target go wrong; each must end cleanly.
#include "fuzz/FuzzTargets.h"

#include <QDirIterator>

#include <gtest/gtest.h>

TEST(FuzzRegressions, EveryKeptInputEndsCleanly)
{
    QDirIterator it(QStringLiteral(SKYLOOM_TEST_DATA_DIR "/fuzz-regressions"), QDir::Files);
    int replayed = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        const BYTE* data = reinterpret_cast<const BYTE*>(bytes.constData());
        const size_t size = static_cast<size_t>(bytes.size());
        const QString name = it.fileName();
        SCOPED_TRACE(name.toStdString());
        if (name.startsWith("bmp-"))
            fuzz::Bmp(data, size);
        else if (name.startsWith("tga-"))
            fuzz::Tga(data, size);
        else if (name.startsWith("jpeg-"))
            fuzz::Jpeg(data, size);
        else if (name.startsWith("packedbits-"))
            fuzz::PackedBits(data, size);
        else
            ADD_FAILURE() << "no fuzz target is named by this file";
        ++replayed;
    }
    RecordProperty("replayed", replayed);
}
