#include "LogFile.h"

#include <QDir>
#include <QFile>

#include <cstdarg>
#include <cstring>
#include <ctime>

BOOL CLogFile::Open(const char* name, BOOL append, int bufferSize)
{
    Close();
    m_nBufferSize = bufferSize > 0 ? bufferSize : 1;
    m_pBuffer.reset(new char[m_nBufferSize]);
    m_pBuffer[0] = '\0';
    m_strPath = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + QString::fromUtf8(name))
                    .toStdString();
    m_pFile = std::fopen(m_strPath.c_str(), append ? "a+" : "w+");
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
