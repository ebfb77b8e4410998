#include "SafeFile.h"

#include "ImageFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int64_t g_nFailAfterBytes = -1;

// What a new file gets: read and write for all, less the process's mask.
mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}

void CSafeFileWriter::FailAfterBytesForTesting(int64_t nBytes)
{
    g_nFailAfterBytes = nBytes;
}

CSafeFileWriter::CSafeFileWriter(const char* pszFileName)
{
    // The rename that makes a save atomic would put a plain file in place of a device
    // node, FIFO or socket: such targets are refused.
    if (!IsRegularFileOrFree(pszFileName))
        return;
    m_strTarget = pszFileName;
    // Through a link the file it names is replaced, and the link stays.
    struct stat st;
    char resolved[PATH_MAX];
    if (::lstat(pszFileName, &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(pszFileName, resolved))
        m_strTarget = resolved;
    const bool bExists = ::stat(m_strTarget.c_str(), &st) == 0;
    m_strTemporary = m_strTarget + ".XXXXXX";
    // Exclusive creation under a random name: nothing planted beside the target is
    // followed or overwritten.
    m_fd = ::mkostemp(m_strTemporary.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_strTemporary.clear();
        return;
    }
    // The temporary file starts private; the file it replaces keeps its permissions.
    if (::fchmod(m_fd, bExists ? (st.st_mode & 07777) : NewFileMode()) != 0)
        m_bFailed = true;
}

CSafeFileWriter::~CSafeFileWriter()
{
    Discard();
}

void CSafeFileWriter::Discard()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_strTemporary.c_str());
}

bool CSafeFileWriter::IsOpen() const
{
    return m_fd >= 0;
}

bool CSafeFileWriter::Write(const void* pData, size_t nBytes)
{
    if (m_fd < 0 || m_bFailed)
        return false;
    if (g_nFailAfterBytes >= 0) {
        if (static_cast<uint64_t>(g_nFailAfterBytes) < nBytes) {
            m_bFailed = true;
            return false;
        }
        g_nFailAfterBytes -= static_cast<int64_t>(nBytes);
    }
    // A short write (a disk filling up) is followed by another, which reports the error.
    const char* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        const ssize_t n = ::write(m_fd, p, nBytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_bFailed = true;
            return false;
        }
        p += n;
        nBytes -= static_cast<size_t>(n);
    }
    return true;
}

bool CSafeFileWriter::Commit()
{
    if (m_fd < 0)
        return false;
    // File systems that delay allocation report a full disk only here, in the sync or the
    // close; one that cannot sync at all (EINVAL) has nothing more to write.
    bool ok = !m_bFailed && (::fsync(m_fd) == 0 || errno == EINVAL);
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    if (ok && ::rename(m_strTemporary.c_str(), m_strTarget.c_str()) == 0)
        return true;
    ::unlink(m_strTemporary.c_str());
    return false;
}
