#include "LogFile.h"

#include <QDir>
#include <QFile>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary folder is shared with other users, who may plant a link or a file of
// theirs under the log's name. The log is appended to only when it is a plain file of ours
// with no other name; otherwise a new file is made under a random name (exclusive
// creation follows no link) and renamed over the old name, which replaces the name
// itself, never what it pointed to. Where that is not allowed the lines are dropped.
FILE* OpenOwnLogToAppend(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK |
                                            O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        st.st_nlink != 1) {
        ::close(fd);
        return nullptr;
    }
    FILE* file = ::fdopen(fd, "a+");
    if (!file)
        ::close(fd);
    return file;
}

FILE* CreateNewLog(const std::string& path)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    FILE* file = nullptr;
    if (::rename(temporary.c_str(), path.c_str()) != 0 || !(file = ::fdopen(fd, "w+"))) {
        ::unlink(temporary.c_str());
        ::close(fd);
        return nullptr;
    }
    return file;
}

}

BOOL CLogFile::Open(const char* name, BOOL append, int bufferSize)
{
    Close();
    m_nBufferSize = bufferSize > 0 ? bufferSize : 1;
    m_pBuffer.reset(new char[m_nBufferSize]);
    m_pBuffer[0] = '\0';
    m_strPath = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + QString::fromUtf8(name))
                    .toStdString();
    m_pFile = append ? OpenOwnLogToAppend(m_strPath) : nullptr;
    if (!m_pFile)
        m_pFile = CreateNewLog(m_strPath);
    if (!m_pFile)
        return FALSE;
    // asctime's 24 characters (weekday, month, day, hh:mm:ss, year) bring their own newline.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[64] = "";
    if (localtime_r(&now, &local))
        asctime_r(&local, stamp);
    std::fprintf(m_pFile, "\nLog started at %s\n", stamp);
    std::fflush(m_pFile);
    return TRUE;
}

void CLogFile::Printf(const char* format, ...)
{
    if (!m_pFile || !m_pBuffer)
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(m_pBuffer.get(), static_cast<size_t>(m_nBufferSize), format, args);
    va_end(args);
    const size_t len = std::strlen(m_pBuffer.get());
    std::fputs(m_pBuffer.get(), m_pFile);
    const char last = len > 0 ? m_pBuffer[len - 1] : '\0';
    if (last != '\n') {
        if (last != '.')
            std::fputc('.', m_pFile);
        std::fputc('\n', m_pFile);
    }
    std::fflush(m_pFile);
}

void CLogFile::Close()
{
    if (m_pFile) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    m_pBuffer.reset();
    m_nBufferSize = 0;
}
