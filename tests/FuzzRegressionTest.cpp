// Replays the readers' corpus: for each fuzz target a folder of small files, pictures (or
// recipes) the reader must take and damaged ones (among them every input that once made a
// target go wrong) that must end cleanly. A reader with an empty folder fails: it would test
// nothing.
#include "fuzz/FuzzTargets.h"

#include <QDirIterator>

#include <gtest/gtest.h>

namespace {

using FuzzTarget = bool (*)(const BYTE* data, size_t size);

void Replay(const char* folder, FuzzTarget target)
{
    QDirIterator it(QStringLiteral(SKYLOOM_TEST_DATA_DIR "/fuzz-regressions/") +
                        QLatin1String(folder),
                    QDir::Files);
    int valid = 0, damaged = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        const QString name = it.fileName();
        SCOPED_TRACE(name.toStdString());
        const bool bRead = target(reinterpret_cast<const BYTE*>(bytes.constData()),
                                  static_cast<size_t>(bytes.size()));
        if (name.startsWith(QLatin1String("valid-"))) {
            EXPECT_TRUE(bRead) << "a good picture was refused";
            ++valid;
        } else if (name.startsWith(QLatin1String("damaged-"))) {
            ++damaged;
        } else {
            ADD_FAILURE() << "name a kept input valid-* or damaged-*";
        }
    }
    EXPECT_GT(valid, 0) << folder << ": no picture the reader takes";
    EXPECT_GT(damaged, 0) << folder << ": no damaged input";
}

}

TEST(FuzzRegressions, EveryReaderTakesItsGoodFilesAndSurvivesTheDamagedOnes)
{
    Replay("bmp", &fuzz::Bmp);
    Replay("tga", &fuzz::Tga);
    Replay("jpeg", &fuzz::Jpeg);
    Replay("packedbits", &fuzz::PackedBits);
    Replay("png", &fuzz::Png);
    Replay("clipboard", &fuzz::Clipboard);
    Replay("recipe", &fuzz::Recipe);
}
