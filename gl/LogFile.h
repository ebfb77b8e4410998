// A small diagnostic log in the temporary folder. Every line is flushed at once, so the
// log survives a crash of the code it describes.
#pragma once

#include "document/WinTypes.h"

#include <cstdio>
#include <memory>
#include <string>

class CLogFile
{
public:
    CLogFile() = default;
    ~CLogFile() { Close(); }
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Opens name in the temporary folder, appending or starting afresh, and writes the
    // start line with the local time. A link, or a file of another user, under that name is
    // never written through: a new log of ours takes its name instead. Lines longer than bufferSize
    // - 1 characters are cut. A file that cannot be opened is no error: the lines are then dropped.
    BOOL Open(const char* name, BOOL append, int bufferSize);
    // Writes one formatted line: a text that does not end with a newline gets a full stop
    // (unless it has one) and a newline.
    void Printf(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void Close();

    BOOL IsOpen() const { return m_pFile != nullptr; }
    const std::string& GetPath() const { return m_strPath; }

private:
    std::string m_strPath;
    std::unique_ptr<char[]> m_pBuffer;
    int m_nBufferSize = 0;
    FILE* m_pFile = nullptr;
};
