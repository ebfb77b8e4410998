#include "SafeFile.h"

#include "ImageFile.h"

#include <QString>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::access(ProcName(fd).c_str(), F_OK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Temporary files are named target + kTemporaryMark + six random letters or digits, as
// mkostemp names them: a mark no file of the user's own is likely to carry, so that a
// leftover can be told from it.
constexpr char kTemporaryMark[] = ".skyloom-";
constexpr int kRandomLetters = 6;

std::string RandomNameBeside(const std::string& target)
{
    static const char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    std::string name = target + kTemporaryMark;
    for (int i = 0; i < kRandomLetters; ++i)
        name += kLetters[pick(random)];
    return name;
}

// A symbolic link is followed to the file it names, even one that does not exist (then that
// file is created); a loop is left as it is, for the checks to refuse.
std::string FollowLinks(std::string path)
{
    for (int i = 0; i < 40; ++i) {
        struct stat st;
        char target[PATH_MAX];
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || size_t(n) >= sizeof target)
            return path;
        path = target[0] == '/' ? std::string(target, size_t(n))
                                : FolderOf(path) + '/' + std::string(target, size_t(n));
    }
    return path;
}

// Removes the temporary files that saves of target killed on the way left beside it: ours by
// name, regular, and no longer held by a save in progress (each holds a lock on its own).
void RemoveLeftovers(const std::string& target)
{
    const std::string folder = FolderOf(target);
    const size_t slash = target.rfind('/');
    const std::string prefix =
        (slash == std::string::npos ? target : target.substr(slash + 1)) + kTemporaryMark;
    DIR* pDir = ::opendir(folder.c_str());
    if (!pDir)
        return;
    std::vector<std::string> leftovers;
    while (const dirent* pEntry = ::readdir(pDir)) {
        const std::string name = pEntry->d_name;
        if (name.size() == prefix.size() + kRandomLetters &&
            name.compare(0, prefix.size(), prefix) == 0)
            leftovers.push_back(folder + '/' + name);
    }
    ::closedir(pDir);
    for (const std::string& path : leftovers) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
}

QString SystemReason(int nError)
{
    switch (nError) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("there is no space left on the disk");
    case EROFS:
        return QStringLiteral("the file system is read-only");
    case EIO:
        return QStringLiteral("an input/output error occurred (the disk or its connection "
                              "failed)");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission to write there is denied");
    default:
        return QString::fromLocal8Bit(std::strerror(nError));
    }
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
    SetImageWriteError(QString());
    if (!pszFileName || !*pszFileName) {
        SetImageWriteError(QStringLiteral("no file was named"));
        return;
    }
    // Through a link the file it names is written, and the link stays.
    m_strTarget = FollowLinks(pszFileName);
    // The rename that makes a save atomic would put a plain file in place of a device
    // node, FIFO or socket: such targets are refused.
    if (!IsRegularFileOrFree(m_strTarget.c_str())) {
        SetImageWriteError(
            QStringLiteral("it is not a regular file, and is never replaced by one"));
        return;
    }
    struct stat st;
    m_bExists = ::stat(m_strTarget.c_str(), &st) == 0;
    // A rename needs only the folder's permission: the file's own is asked here.
    if (m_bExists && IsReadOnlyFile(m_strTarget.c_str())) {
        SetImageWriteError(QStringLiteral("the file is read-only"));
        return;
    }
    RemoveLeftovers(m_strTarget);
    // Another name of the file would keep the old content if a new file took this one.
    m_bInPlace = m_bExists && st.st_nlink > 1;
    m_fd = g_bNamedTemporary ? -1 : OpenUnnamed(FolderOf(m_strTarget));
    m_bUnnamed = m_fd >= 0;
    if (!m_bUnnamed) {
        // Exclusive creation under a random name: nothing planted beside the target is
        // followed or overwritten.
        m_strTemporary = m_strTarget + kTemporaryMark + std::string(kRandomLetters, 'X');
        m_fd = ::mkostemp(m_strTemporary.data(), O_CLOEXEC);
        if (m_fd < 0) {
            Fail(0);
            m_strTemporary.clear();
            return;
        }
    }
    // Held while the file is ours: a later save tells a leftover from a save in progress.
    ::flock(m_fd, LOCK_EX | LOCK_NB);
    // The temporary file starts private; the file it replaces keeps its permissions, its
    // owner and its group. Where they cannot be given (another user's file that we may
    // write), the file is written in place and keeps them.
    if (::fchmod(m_fd, m_bExists ? (st.st_mode & 07777) : NewFileMode()) != 0)
        Fail(0);
    if (m_bExists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(m_fd, st.st_uid, st.st_gid) != 0)
        m_bInPlace = true;
    // A changed owner may have dropped the set-id bits: they are given again.
    if (m_bExists && !m_bInPlace && (st.st_mode & 06000) &&
        ::fchmod(m_fd, st.st_mode & 07777) != 0)
        Fail(0);
}

void CSafeFileWriter::Fail(int nError)
{
    if (!m_bFailed)
        SetImageWriteError(SystemReason(nError ? nError : errno));
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
            Fail(ENOSPC); // as a full disk does
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
            Fail(n == 0 ? ENOSPC : 0);
            return false;
        }
        p += n;
        nBytes -= static_cast<size_t>(n);
    }
    return true;
}

bool CSafeFileWriter::LinkUnnamed(bool bTargetToo)
{
    const std::string source = ProcName(m_fd);
    // A free target takes the file under its own name at once.
    if (bTargetToo &&
        ::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, m_strTarget.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        m_strTemporary = m_strTarget;
        return true;
    }
    // Otherwise under a free name beside it, for the rename that replaces the target whole.
    int error = bTargetToo ? errno : EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const std::string name = RandomNameBeside(m_strTarget);
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_strTemporary = name;
            return true;
        }
        error = errno;
    }
    Fail(error);
    return false;
}

bool CSafeFileWriter::RewriteInPlace()
{
    const int out = ::open(m_strTarget.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (out < 0) {
        Fail(0);
        return false;
    }
    std::vector<char> buffer(size_t(1) << 20);
    off_t offset = 0;
    bool ok = true;
    for (;;) {
        const ssize_t n = ::pread(m_fd, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::pwrite(out, buffer.data() + done, size_t(n - done), offset + done);
            if (w < 0 && errno == EINTR)
                continue;
            ok = w > 0;
            done += w > 0 ? w : 0;
        }
        if (!ok)
            break;
        offset += n;
    }
    ok = ok && ::ftruncate(out, offset) == 0 && (::fsync(out) == 0 || errno == EINVAL);
    if (!ok)
        Fail(errno ? errno : ENOSPC);
    ok = ::close(out) == 0 && ok;
    return ok;
}

bool CSafeFileWriter::Commit()
{
    if (m_fd < 0)
        return false;
    // File systems that delay allocation report a full disk only here, in the sync or the
    // close; one that cannot sync at all (EINVAL) has nothing more to write.
    bool ok = !m_bFailed;
    if (ok && ::fsync(m_fd) != 0 && errno != EINVAL) {
        Fail(0);
        ok = false;
    }
    // The target may have been made read-only since the save began.
    if (ok && m_bExists && IsReadOnlyFile(m_strTarget.c_str())) {
        SetImageWriteError(QStringLiteral("the file was made read-only while it was saved"));
        m_bFailed = true;
        ok = false;
    }
    // In place, the new content has a name of its own first: whole on disk before the
    // target's bytes are touched.
    if (ok && m_bUnnamed)
        ok = LinkUnnamed(!m_bInPlace);
    bool bKeepTemporary = false;
    if (ok && m_bInPlace) {
        ok = RewriteInPlace();
        bKeepTemporary = !ok;
    }
    if (::close(m_fd) != 0 && ok) {
        Fail(0);
        ok = false;
    }
    m_fd = -1;
    if (ok && m_bInPlace) {
        ::unlink(m_strTemporary.c_str());
        return true;
    }
    // Linked in under the target's own name, the file is in place already.
    if (ok && (m_strTemporary == m_strTarget ||
               ::rename(m_strTemporary.c_str(), m_strTarget.c_str()) == 0))
        return true;
    if (ok)
        Fail(0);
    // A rewrite in place that failed part of the way leaves the new content whole beside
    // the target; anything else is removed.
    if (!m_strTemporary.empty() && !bKeepTemporary)
        ::unlink(m_strTemporary.c_str());
    return false;
}
