// Writing a file so that a failure never loses the old one: everything goes to a temporary
// file beside the target, which replaces the target only when all of it was written.
#pragma once

#include "document/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CSafeFileWriter
{
public:
    // The name is used as the bytes given (it need not be UTF-8). Not open when it names
    // anything but a regular file (a device, a FIFO, a folder, or a link to one): those are
    // never replaced. A link to a regular file has the file it points to replaced.
    explicit CSafeFileWriter(const char* pszFileName);
    ~CSafeFileWriter(); // without Commit the temporary file is removed, the target untouched
    CSafeFileWriter(const CSafeFileWriter&) = delete;
    CSafeFileWriter& operator=(const CSafeFileWriter&) = delete;

    bool IsOpen() const;
    // False once any write has failed; later writes do nothing.
    bool Write(const void* pData, size_t nBytes);
    // Syncs the temporary file and renames it over the target, which keeps its permission
    // bits; false (and the target untouched) when any write, the sync or the rename failed.
    bool Commit();

    // Test seam: every writer fails once this many more bytes have been written in total
    // (the failing write is refused whole). A negative count turns it off.
    static void FailAfterBytesForTesting(int64_t nBytes);

private:
    void Discard();

    std::string m_strTarget;
    std::string m_strTemporary;
    int m_fd = -1;
    bool m_bFailed = false;
};
