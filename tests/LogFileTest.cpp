#include "GLTestSupport.h"
#include "gl/LogFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(LogFile, LinesGetAFullStopAndNewlineOnce)
{
    CScopedTempFolder temp;
    {
        CLogFile log;
        ASSERT_TRUE(log.Open("test_log.txt", FALSE, 300));
        EXPECT_EQ(log.GetPath(), temp.FilePath("test_log.txt").toStdString());
        log.Printf("plain %d", 1);
        log.Printf("ends with a stop.");
        log.Printf("ends with a newline\n");
        log.Printf("%s", "");
    }
    const QStringList lines = temp.ReadLines("test_log.txt");
    ASSERT_GE(lines.size(), 7);
    EXPECT_EQ(lines[0], "");
    // The 24 characters of the local time, then a newline of their own.
    EXPECT_TRUE(QRegularExpression(R"(^Log started at \w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}$)")
                    .match(lines[1])
                    .hasMatch())
        << lines[1].toStdString();
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "plain 1.");
    EXPECT_EQ(lines[4], "ends with a stop.");
    EXPECT_EQ(lines[5], "ends with a newline");
    EXPECT_EQ(lines[6], ".");
}

TEST(LogFile, LongLinesAreCutToTheBufferAndAppendKeepsOldLines)
{
    CScopedTempFolder temp;
    {
        CLogFile log;
        ASSERT_TRUE(log.Open("cut.txt", FALSE, 10));
        log.Printf("%s", "0123456789abcdef\n");
    }
    {
        CLogFile log;
        ASSERT_TRUE(log.Open("cut.txt", TRUE, 10));
        log.Printf("second");
    }
    QStringList lines = temp.ReadLines("cut.txt");
    lines.removeAll(QString());
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], "012345678.") << "nine characters and the end of the string";
    EXPECT_EQ(lines[3], "second.");
}

TEST(LogFile, UnopenableFileIsNoError)
{
    CScopedTempFolder temp;
    CLogFile log;
    EXPECT_FALSE(log.Open("no/such/folder/log.txt", FALSE, 300));
    log.Printf("dropped");
    log.Close();
    log.Close();
}

// The temporary folder is shared: a link or another user's file planted under the log's
// name must never be written through or cut short, in either mode.
TEST(LogFile, PlantedLinksAndOtherOwnersFilesAreNeverWritten)
{
    CScopedTempFolder temp;
    QTemporaryDir elsewhere;
    const QByteArray victim = QFile::encodeName(elsewhere.filePath("victim.txt"));
    const QByteArray kept = "someone else's words\n";
    for (BOOL append : {FALSE, TRUE}) {
        {
            QFile file(QFile::decodeName(victim));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(kept);
        }
        const QByteArray logPath = QFile::encodeName(temp.FilePath("planted.txt"));
        ::unlink(logPath.constData());
        ASSERT_EQ(::symlink(victim.constData(), logPath.constData()), 0);
        {
            CLogFile log;
            EXPECT_TRUE(log.Open("planted.txt", append, 300));
            log.Printf("ours");
        }
        QFile file(QFile::decodeName(victim));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), kept) << (append ? "appending" : "starting afresh");
        struct stat st;
        ASSERT_EQ(::lstat(logPath.constData(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << "our own log took the name";
        EXPECT_TRUE(temp.ReadLines("planted.txt").contains("ours."));
    }

    // A file of another user under the name (it takes root to make one).
    const QByteArray logPath = QFile::encodeName(temp.FilePath("theirs.txt"));
    const int fd = ::open(logPath.constData(), O_RDWR | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, kept.constData(), size_t(kept.size())), kept.size());
    if (::fchown(fd, 65534, 65534) == 0) {
        for (BOOL append : {TRUE, FALSE}) {
            CLogFile log;
            log.Open("theirs.txt", append, 300);
            log.Printf("ours");
        }
        char text[64] = {};
        EXPECT_EQ(::pread(fd, text, sizeof text - 1, 0), kept.size());
        EXPECT_EQ(QByteArray(text), kept) << "their file kept its words";
    }
    ::close(fd);
}
