// Writing a file so that a failure never loses the old one: everything goes to a temporary
// file beside the target, which replaces the target only when all of it was written.
#pragma once

#include "document/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class QSaveFile;

class CSafeFileWriter
{
public:
    explicit CSafeFileWriter(const char* pszFileName);
    ~CSafeFileWriter(); // without Commit the temporary file is removed, the target untouched
    CSafeFileWriter(const CSafeFileWriter&) = delete;
    CSafeFileWriter& operator=(const CSafeFileWriter&) = delete;

    bool IsOpen() const;
    // False once any write has failed; later writes do nothing.
    bool Write(const void* pData, size_t nBytes);
    // Renames the temporary file over the target; false (and the target untouched) when a
    // write failed or the rename did.
    bool Commit();

    // Test seam: every writer fails once this many more bytes have been written in total
    // (the failing write is refused whole). A negative count turns it off.
    static void FailAfterBytesForTesting(int64_t nBytes);

private:
    std::unique_ptr<QSaveFile> m_pFile;
    bool m_bFailed = false;
};
