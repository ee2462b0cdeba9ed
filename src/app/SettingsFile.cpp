#include "app/SettingsFile.h"

#include "app/Profile.h"
#include "common/ByteText.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace tovel {

namespace {

std::atomic<SettingsFile::WriteFailure> g_writeFailure{SettingsFile::WriteFailure::None};
std::atomic<unsigned> g_tempCounter{0};

enum class ReadStatus { Ok, Missing, Failed };
enum class PathState { Missing, Regular, Other };

// The folder that holds path, without its trailing separator ("." when the
// path names no folder; the root keeps its separator).
std::string FolderOf(const std::string& path)
{
    const int sep = LastPathSep(path);
    if (sep < 0)
        return ".";
    if (sep == 0)
        return path.substr(0, 1);
    return path.substr(0, static_cast<size_t>(sep));
}

std::string WithoutTrailingSeps(std::string dir)
{
    while (dir.size() > 1 && IsPathSep(dir.back()))
        dir.pop_back();
    return dir;
}

unsigned long ProcessId();

// A name in the same folder as path that no other writer uses at the moment.
std::string TempNameFor(const std::string& path)
{
    return path + ".tmp-" + std::to_string(ProcessId()) + "-" + std::to_string(g_tempCounter.fetch_add(1));
}

#ifdef _WIN32

unsigned long ProcessId()
{
    return GetCurrentProcessId();
}

bool IsFolder(const std::string& path)
{
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The whole file: Missing when there is none, Failed when it is not a
// regular file or cannot be read.
ReadStatus ReadWhole(const std::string& path, std::string& out)
{
    out.clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        return (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) ? ReadStatus::Missing
                                                                           : ReadStatus::Failed;
    }
    ReadStatus status = ReadStatus::Ok;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        status = ReadStatus::Failed;
    } else {
        char block[64 * 1024];
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(h, block, static_cast<DWORD>(sizeof block), &got, nullptr)) {
                status = ReadStatus::Failed;
                break;
            }
            if (got == 0)
                break;
            out.append(block, got);
        }
    }
    CloseHandle(h);
    if (status != ReadStatus::Ok)
        out.clear();
    return status;
}

PathState StateOf(const std::string& path)
{
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return PathState::Missing;
    return (attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ? PathState::Other : PathState::Regular;
}

bool MakeFolders(const std::string& dir)
{
    const std::string d = WithoutTrailingSeps(dir);
    if (d.empty() || IsFolder(d))
        return true;
    const int sep = LastPathSep(d);
    if (sep > 0 && !MakeFolders(d.substr(0, static_cast<size_t>(sep))))
        return false;
    return CreateDirectoryA(d.c_str(), nullptr) || IsFolder(d);
}

class FileLock {
public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock()
    {
        if (m_h != INVALID_HANDLE_VALUE) {
            OVERLAPPED ov{};
            UnlockFileEx(m_h, 0, 1, 0, &ov);
            CloseHandle(m_h);
        }
    }
    bool Acquire(const std::string& lockPath)
    {
        m_h = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_h == INVALID_HANDLE_VALUE)
            return false;
        OVERLAPPED ov{};
        return LockFileEx(m_h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &ov) != 0;
    }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

// Writes text to a new temporary file beside path, flushes it and moves it
// over path. On failure the temporary file is removed and path is untouched.
bool ReplaceWith(const std::string& path, const std::string& text)
{
    std::string temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = TempNameFor(path);
        h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (h == INVALID_HANDLE_VALUE)
        return false;

    const auto failure = g_writeFailure.load();
    size_t toWrite = failure == SettingsFile::WriteFailure::HalfWritten ? text.size() / 2 : text.size();
    bool ok = true;
    size_t done = 0;
    while (ok && done < toWrite) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(toWrite - done > 0x100000 ? 0x100000 : toWrite - done);
        ok = WriteFile(h, text.data() + done, chunk, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    if (failure == SettingsFile::WriteFailure::HalfWritten)
        ok = false;
    ok = ok && FlushFileBuffers(h);
    ok = CloseHandle(h) && ok;
    if (failure == SettingsFile::WriteFailure::BeforeRename)
        ok = false;
    ok = ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(temp.c_str());
    return ok;
}

bool ProbeCreate(const std::string& probe, bool& nameTaken)
{
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        nameTaken = GetLastError() == ERROR_FILE_EXISTS;
        return false;
    }
    CloseHandle(h);
    return DeleteFileA(probe.c_str()) != 0;
}

std::string Env(const char* name)
{
    char buf[32768];
    const DWORD n = GetEnvironmentVariableA(name, buf, static_cast<DWORD>(sizeof buf));
    return (n == 0 || n >= sizeof buf) ? std::string() : std::string(buf, n);
}

#else // POSIX

unsigned long ProcessId()
{
    return static_cast<unsigned long>(::getpid());
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The whole file: Missing when there is none, Failed when it is not a
// regular file or cannot be read.
ReadStatus ReadWhole(const std::string& path, std::string& out)
{
    out.clear();
    if (path.empty())
        return ReadStatus::Missing;
    // O_NONBLOCK keeps open() from waiting on a FIFO; fstat then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
    ReadStatus status = ReadStatus::Ok;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        status = ReadStatus::Failed;
    } else {
        out.reserve(static_cast<size_t>(st.st_size));
        char block[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd, block, sizeof block);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                status = ReadStatus::Failed;
                break;
            }
            if (got == 0)
                break;
            out.append(block, static_cast<size_t>(got));
        }
    }
    ::close(fd);
    if (status != ReadStatus::Ok)
        out.clear();
    return status;
}

PathState StateOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? PathState::Missing : PathState::Other;
    return S_ISREG(st.st_mode) ? PathState::Regular : PathState::Other;
}

bool MakeFolders(const std::string& dir)
{
    const std::string d = WithoutTrailingSeps(dir);
    if (d.empty() || IsFolder(d))
        return true;
    const int sep = LastPathSep(d);
    if (sep > 0 && !MakeFolders(d.substr(0, static_cast<size_t>(sep))))
        return false;
    // Settings are per user: the folder is the user's alone.
    return ::mkdir(d.c_str(), 0700) == 0 || (errno == EEXIST && IsFolder(d));
}

class FileLock {
public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock()
    {
        // Closing the descriptor releases the lock. The lock file stays:
        // removing it would let two writers lock different files.
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Acquire(const std::string& lockPath)
    {
        m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (m_fd < 0)
            return false;
        int rc;
        do
            rc = ::flock(m_fd, LOCK_EX);
        while (rc != 0 && errno == EINTR);
        return rc == 0;
    }

private:
    int m_fd = -1;
};

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

// Writes text to a new temporary file beside path, flushes it and renames it
// over path. On failure the temporary file is removed and path is untouched.
bool ReplaceWith(const std::string& path, const std::string& text)
{
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempNameFor(path);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    // The new file keeps the access mode of the one it replaces.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        (void)::fchmod(fd, old.st_mode & 07777);

    const auto failure = g_writeFailure.load();
    bool ok;
    if (failure == SettingsFile::WriteFailure::HalfWritten) {
        WriteAll(fd, text.data(), text.size() / 2);
        ok = false;
    } else {
        ok = WriteAll(fd, text.data(), text.size());
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (failure == SettingsFile::WriteFailure::BeforeRename)
        ok = false;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
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

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

#endif

} // namespace

SettingsFile::SettingsFile(std::string path) : m_path(std::move(path)) {}

const std::string& SettingsFile::Path() const
{
    return m_path;
}

std::string SettingsFile::Read(std::string_view section, std::string_view key, std::string_view def,
                               size_t capacity) const
{
    std::string text;
    ReadWhole(m_path, text);
    return ProfileGetString(text, section, key, def, capacity);
}

std::vector<std::string> SettingsFile::KeyNames(std::string_view section) const
{
    std::string text;
    ReadWhole(m_path, text);
    return ProfileGetKeyNames(text, section);
}

template <typename Change>
bool SettingsFile::Modify(bool createIfMissing, Change change)
{
    if (m_path.empty())
        return false;
    // Only a regular file is ever replaced: never a folder or a device, and
    // nothing (not even the lock file) is created beside one.
    const PathState state = StateOf(m_path);
    if (state == PathState::Other)
        return false;
    if (state == PathState::Missing && !createIfMissing)
        return true;
    if (!MakeFolders(FolderOf(m_path)))
        return false;
    FileLock lock;
    if (!lock.Acquire(m_path.substr(0, static_cast<size_t>(LastPathSep(m_path) + 1)) + "." + m_path.substr(static_cast<size_t>(LastPathSep(m_path) + 1)) + ".lock"))
        return false;
    std::string text;
    const ReadStatus status = ReadWhole(m_path, text);
    // A file that is there but cannot be read is not replaced: its contents
    // would be lost.
    if (status == ReadStatus::Failed)
        return false;
    if (status == ReadStatus::Missing && !createIfMissing)
        return true;
    const std::string changed = change(text);
    if (status == ReadStatus::Ok && changed == text)
        return true;
    return ReplaceWith(m_path, changed);
}

bool SettingsFile::Write(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsValidProfileSection(section) || !IsValidProfileKey(key))
        return false;
    return Modify(true, [&](const std::string& text) { return ProfileWriteString(text, section, key, value); });
}

bool SettingsFile::DeleteKey(std::string_view section, std::string_view key)
{
    if (!IsValidProfileSection(section) || !IsValidProfileKey(key))
        return false;
    return Modify(false, [&](const std::string& text) { return ProfileDeleteKey(text, section, key); });
}

bool SettingsFile::DeleteSection(std::string_view section)
{
    if (!IsValidProfileSection(section))
        return false;
    return Modify(false, [&](const std::string& text) { return ProfileDeleteSection(text, section); });
}

void SettingsFile::SetWriteFailureForTest(WriteFailure failure)
{
    g_writeFailure.store(failure);
}

bool CanCreateFilesIn(const std::string& dir)
{
    if (dir.empty() || !IsFolder(dir))
        return false;
    std::string base = dir;
    if (!IsPathSep(base.back()))
        base.push_back(kPathSep);
    base += ".tovel-probe";
    for (int attempt = 0; attempt < 100; ++attempt) {
        bool nameTaken = false;
        if (ProbeCreate(TempNameFor(base), nameTaken))
            return true;
        if (!nameTaken)
            return false;
    }
    return false;
}

std::string UserConfigDir()
{
#ifdef _WIN32
    std::string dir = Env("APPDATA");
    const char* leaf = "Tovel";
#else
    const char* leaf = "tovel";
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
#endif
    if (dir.empty())
        return {};
    dir = WithoutTrailingSeps(dir);
    if (!IsPathSep(dir.back()))
        dir.push_back(kPathSep);
    dir += leaf;
    dir.push_back(kPathSep);
    return dir;
}

} // namespace tovel
