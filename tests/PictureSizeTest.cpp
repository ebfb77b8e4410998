// The size a picture file states, read from its header alone: it must be the size the
// reader then gives, for every format and header kind, or good gas textures would be
// refused and hostile ones let through.
#include "document/Dib.h"
#include "imagefile/PictureSize.h"

#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

TEST(PictureSize, EveryReadablePictureStatesTheSizeItReadsAs)
{
    int nChecked = 0;
    for (const char* folder : {"bmp", "jpeg", "tga", "png"}) {
        QDirIterator it(QStringLiteral(SKYLOOM_TEST_DATA_DIR "/fuzz-regressions/") +
                            QLatin1String(folder),
                        QDir::Files);
        while (it.hasNext()) {
            const QByteArray path = QFile::encodeName(it.next());
            SCOPED_TRACE(path.toStdString());
            CSize size;
            const bool bStated = ReadStatedPictureSize(path.constData(), size);
            // Damaged headers are only read, never past what the file holds.
            if (!it.fileName().startsWith(QLatin1String("valid-")))
                continue;
            CDib dib;
            ASSERT_TRUE(dib.Load(path.constData()));
            ASSERT_TRUE(bStated);
            EXPECT_EQ(size, CSize(dib.m_nWidth, dib.m_nHeight));
            ++nChecked;
        }
    }
    // The built-in texture, compiled in.
    CSize size;
    EXPECT_TRUE(ReadStatedPictureSize(":/Textures/Galaxy/Loose spiral.jpg", size));
    EXPECT_GT(nChecked, 10);
    EXPECT_FALSE(ReadStatedPictureSize("/nonexistent/picture.bmp", size));
}
