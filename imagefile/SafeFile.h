// Writing a file so that a failure never loses the old one: everything goes to a temporary
// file beside the target, which replaces the target only when all of it was written. Where
// the file system allows, the temporary file has no name until then, so a save killed on
// the way leaves nothing behind; a named one left by a kill is removed by the next save of
// the same target. The file replaced keeps its permissions, owner and group, and every
// name it has: a file with several hard links is rewritten in place, once the new content
// is whole on disk beside it.
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
    // never replaced; nor when it names a file the user may not write (IsReadOnlyFile). A
    // symbolic link has the file it points to written, or created when it points nowhere.
    // Whenever it fails, ImageWriteError says why.
    explicit CSafeFileWriter(const char* pszFileName);
    ~CSafeFileWriter(); // without Commit the temporary file is removed, the target untouched
    CSafeFileWriter(const CSafeFileWriter&) = delete;
    CSafeFileWriter& operator=(const CSafeFileWriter&) = delete;

    bool IsOpen() const;
    // False once any write has failed; later writes do nothing.
    bool Write(const void* pData, size_t nBytes);
    // Syncs the temporary file and renames it over the target (or rewrites a target with
    // several links in place); false (and the target untouched) when any write, the sync or
    // the rename failed, or the target was made read-only meanwhile.
    bool Commit();

    // Test seam: every writer fails once this many more bytes have been written in total
    // (the failing write is refused whole). A negative count turns it off.
    static void FailAfterBytesForTesting(int64_t nBytes);
    // Test seam: writers open after this use a named temporary file, as on a file system
    // without unnamed ones.
    static void UseNamedTemporaryForTesting(bool bNamed);

private:
    void Discard();
    // Gives the unnamed temporary file a name beside the target (or the target's own when
    // it is free and bTargetToo); false when it cannot.
    bool LinkUnnamed(bool bTargetToo);
    // Copies the temporary file over the target's own bytes.
    bool RewriteInPlace();
    // Records why the save failed (from errno when nError is 0).
    void Fail(int nError);

    std::string m_strTarget;
    // The named temporary file; while it has no name, the one it is linked in under.
    std::string m_strTemporary;
    int m_fd = -1;
    bool m_bUnnamed = false;
    bool m_bFailed = false;
    bool m_bExists = false;
    // The target is written in place: it has other links, or an owner its replacement
    // could not be given.
    bool m_bInPlace = false;
};
