#include "GLTestSupport.h"
#include "gl/LogFile.h"

#include <QRegularExpression>

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
