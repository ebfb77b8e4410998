#include "SafeFile.h"

#include "ImageFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int64_t g_nFailAfterBytes = -1;
bool g_bNamedTemporary = false;

// What a new file gets: read and write for all, less the process's mask.
mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The name an open descriptor has in /proc: linkat follows it without needing the
// privilege that linking a descriptor directly (AT_EMPTY_PATH) asks for.
std::string ProcName(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// A file without a name in folder, which ProcName can link in later; -1 where the file
// system (or a missing /proc) does not allow it.
int OpenUnnamed(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::access(ProcName(fd).c_str(), F_OK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// target.XXXXXX with six random letters or digits, as mkostemp names them.
std::string RandomNameBeside(const std::string& target)
{
    static const char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    std::string name = target + '.';
    for (int i = 0; i < 6; ++i)
        name += kLetters[pick(random)];
    return name;
}

}

void CSafeFileWriter::FailAfterBytesForTesting(int64_t nBytes)
{
    g_nFailAfterBytes = nBytes;
}

void CSafeFileWriter::UseNamedTemporaryForTesting(bool bNamed)
{
    g_bNamedTemporary = bNamed;
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
    // A rename needs only the folder's permission: the file's own is asked here.
    if (bExists && IsReadOnlyFile(m_strTarget.c_str()))
        return;
    m_fd = g_bNamedTemporary ? -1 : OpenUnnamed(FolderOf(m_strTarget));
    m_bUnnamed = m_fd >= 0;
    if (!m_bUnnamed) {
        // Exclusive creation under a random name: nothing planted beside the target is
        // followed or overwritten.
        m_strTemporary = m_strTarget + ".XXXXXX";
        m_fd = ::mkostemp(m_strTemporary.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_strTemporary.clear();
            return;
        }
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
    // An unnamed file goes with its descriptor.
    if (!m_bUnnamed)
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

bool CSafeFileWriter::LinkUnnamed()
{
    const std::string source = ProcName(m_fd);
    // A free target takes the file under its own name at once.
    if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, m_strTarget.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        m_strTemporary = m_strTarget;
        return true;
    }
    // Otherwise under a free name beside it, for the rename that replaces the target whole.
    int error = errno;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const std::string name = RandomNameBeside(m_strTarget);
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_strTemporary = name;
            return true;
        }
        error = errno;
    }
    return false;
}

bool CSafeFileWriter::Commit()
{
    if (m_fd < 0)
        return false;
    // File systems that delay allocation report a full disk only here, in the sync or the
    // close; one that cannot sync at all (EINVAL) has nothing more to write.
    bool ok = !m_bFailed && (::fsync(m_fd) == 0 || errno == EINVAL);
    if (ok && m_bUnnamed)
        ok = LinkUnnamed();
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    // Linked in under the target's own name, the file is in place already.
    if (ok && (m_strTemporary == m_strTarget ||
               ::rename(m_strTemporary.c_str(), m_strTarget.c_str()) == 0))
        return true;
    if (!m_strTemporary.empty())
        ::unlink(m_strTemporary.c_str());
    return false;
}
