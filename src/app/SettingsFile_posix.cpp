// The settings file on POSIX systems.
#include "app/SettingsFileOs.h"

#include "common/ByteText.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

namespace tovel::settings_os {

namespace {

std::string ErrnoReason(int err)
{
    return PlainReason(std::strerror(err));
}

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::int64_t Nanoseconds(const timespec& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t wrote = ::write(fd, data, size);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        data += wrote;
        size -= static_cast<size_t>(wrote);
    }
    return true;
}

} // namespace

unsigned long ProcessId()
{
    return static_cast<unsigned long>(::getpid());
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

ReadStatus ReadWhole(const std::string& path, size_t limit, std::string& out, std::string& reason)
{
    out.clear();
    if (path.empty())
        return ReadStatus::Missing;
    // O_NONBLOCK keeps open() from waiting on a FIFO; fstat then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadStatus::Missing;
        reason = ErrnoReason(errno);
        return ReadStatus::Failed;
    }
    ReadStatus status = ReadStatus::Ok;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = "it is not a regular file";
        status = ReadStatus::Failed;
    } else if (static_cast<std::uint64_t>(st.st_size) > limit) {
        status = ReadStatus::TooLarge;
    } else {
        out.reserve(static_cast<size_t>(st.st_size));
        char block[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd, block, sizeof block);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                reason = ErrnoReason(errno);
                status = ReadStatus::Failed;
                break;
            }
            if (got == 0)
                break;
            // A file that grows while it is read is held to the same limit.
            if (out.size() + static_cast<size_t>(got) > limit) {
                status = ReadStatus::TooLarge;
                break;
            }
            out.append(block, static_cast<size_t>(got));
        }
    }
    ::close(fd);
    if (status != ReadStatus::Ok)
        out.clear();
    return status;
}

FileStamp StampOf(const std::string& path)
{
    FileStamp stamp;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = Nanoseconds(st.st_mtim);
    stamp.changedNs = Nanoseconds(st.st_ctim);
    return stamp;
}

std::int64_t NowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

PathState StateOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? PathState::Missing : PathState::Other;
    return S_ISREG(st.st_mode) ? PathState::Regular : PathState::Other;
}

bool ResolveLinks(const std::string& path, std::string& target, bool& isLink, std::string& reason)
{
    target = path;
    isLink = false;
    // As many links as the system itself follows before it calls it a loop.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        isLink = true;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<size_t>(n) >= link.size()) {
            reason = n < 0 ? ErrnoReason(errno) : "the link is too long";
            return false;
        }
        link.resize(static_cast<size_t>(n));
        if (link.empty() || link.front() != '/') {
            std::string folder = FolderOf(target);
            if (!IsPathSep(folder.back()))
                folder.push_back('/');
            link = folder + link;
        }
        target = std::move(link);
    }
    reason = ErrnoReason(ELOOP);
    return false;
}

std::string WriteRefusal(const std::string& path)
{
    if (::access(path.c_str(), W_OK) != 0)
        return ErrnoReason(errno);
    // Root may write anything; a file that no one may write is still the
    // user's way of freezing it, and is left alone as an editor would.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return "the file is read-only";
    return {};
}

bool MakeFolders(const std::string& dir, std::string& reason)
{
    const std::string d = WithoutTrailingSeps(dir);
    if (d.empty() || IsFolder(d))
        return true;
    const int sep = LastPathSep(d);
    if (sep > 0 && !MakeFolders(d.substr(0, static_cast<size_t>(sep)), reason))
        return false;
    // Settings are per user: the folder is the user's alone.
    if (::mkdir(d.c_str(), 0700) == 0 || (errno == EEXIST && IsFolder(d)))
        return true;
    reason = "the folder " + d + " cannot be created (" + ErrnoReason(errno) + ")";
    return false;
}

LockResult LockFile(const std::string& lockPath, Lock& lock, std::string& reason, int waitMs)
{
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        reason = ErrnoReason(errno);
        return LockResult::Failed;
    }
    lock.handle = fd;
    // Tried again every few milliseconds rather than waited for without end:
    // a stopped or stuck holder must not freeze the program.
    constexpr int kStepMs = 5;
    for (int waited = 0;; waited += kStepMs) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return LockResult::Locked;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            reason = ErrnoReason(errno);
            return LockResult::Failed;
        }
        if (waited >= waitMs)
            return LockResult::Held;
        const timespec step{0, kStepMs * 1000000L};
        ::nanosleep(&step, nullptr);
    }
}

std::string LockHolder(const std::string& lockPath)
{
    struct stat st {};
    if (::stat(lockPath.c_str(), &st) != 0)
        return {};
    // Each line of /proc/locks: "N: FLOCK  ADVISORY  WRITE PID MAJ:MIN:INODE START END";
    // lines of waiters hold "->" and are skipped.
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        if (line.find("->") != std::string::npos)
            continue;
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, file;
        if (!(fields >> number >> kind >> mode >> access >> pid >> file))
            continue;
        unsigned fileMajor = 0, fileMinor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &fileMajor, &fileMinor, &inode) != 3)
            continue;
        if (inode != static_cast<unsigned long long>(st.st_ino) || fileMajor != major(st.st_dev)
            || fileMinor != minor(st.st_dev))
            continue;
        std::string name;
        std::ifstream comm("/proc/" + pid + "/comm");
        std::getline(comm, name);
        return "process " + pid + (name.empty() ? std::string() : " (" + name + ")");
    }
    return {};
}

std::vector<std::string> FileNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir))
        names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

bool ProcessRunning(unsigned long pid)
{
    if (pid == 0 || pid > static_cast<unsigned long>(INT_MAX))
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

void RemoveFile(const std::string& path)
{
    (void)::unlink(path.c_str());
}

void Unlock(Lock& lock)
{
    // Closing the descriptor releases the lock. The lock file stays:
    // removing it would let two writers lock different files.
    if (lock.handle >= 0)
        ::close(static_cast<int>(lock.handle));
    lock.handle = -1;
}

bool ReplaceWith(const std::string& path, const std::string& text, InjectedFailure failure, std::string& reason)
{
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempNameFor(path);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            reason = ErrnoReason(errno);
            return false;
        }
    }
    if (fd < 0) {
        reason = "no temporary file can be made beside it";
        return false;
    }

    // The new file keeps the access mode of the one it replaces.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        (void)::fchmod(fd, old.st_mode & 07777);

    bool ok;
    if (failure == InjectedFailure::HalfWritten) {
        WriteAll(fd, text.data(), text.size() / 2);
        errno = ENOSPC;
        ok = false;
    } else {
        ok = WriteAll(fd, text.data(), text.size());
    }
    ok = ok && ::fsync(fd) == 0;
    int err = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && failure == InjectedFailure::BeforeRename) {
        err = EIO;
        ok = false;
    }
    if (ok) {
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        reason = ErrnoReason(err);
        return false;
    }
    // Make the rename itself durable; the new text is in place either way.
    const int dirFd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool ProbeCreate(const std::string& probe, bool& nameTaken)
{
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        nameTaken = errno == EEXIST;
        return false;
    }
    ::close(fd);
    return ::unlink(probe.c_str()) == 0;
}

std::string UserConfigDir()
{
    std::string dir = Env("XDG_CONFIG_HOME");
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is ignored.
    if (dir.empty() || dir.front() != '/') {
        dir = Env("HOME");
        if (dir.empty()) {
            if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
                dir = pw->pw_dir;
        }
        if (dir.empty())
            return {};
        dir = WithoutTrailingSeps(dir);
        if (!IsPathSep(dir.back()))
            dir.push_back(kPathSep);
        dir += ".config";
    }
    dir = WithoutTrailingSeps(dir);
    if (!IsPathSep(dir.back()))
        dir.push_back(kPathSep);
    dir += "tovel";
    dir.push_back(kPathSep);
    return dir;
}

} // namespace tovel::settings_os
