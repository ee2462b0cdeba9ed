// The settings file on Windows.
#include "app/SettingsFileOs.h"

#include "common/ByteText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tovel::settings_os {

namespace {

std::string ErrorReason(DWORD err)
{
    char* buffer = nullptr;
    const DWORD n =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, err, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = n > 0 && buffer ? std::string(buffer, n) : "error " + std::to_string(err);
    if (buffer)
        LocalFree(buffer);
    return PlainReason(std::move(text));
}

std::string Env(const char* name)
{
    char buf[32768];
    const DWORD n = GetEnvironmentVariableA(name, buf, static_cast<DWORD>(sizeof buf));
    return (n == 0 || n >= sizeof buf) ? std::string() : std::string(buf, n);
}

// A file time (100 ns steps since 1601) as nanoseconds since 1970.
std::int64_t Nanoseconds(const FILETIME& t)
{
    const auto ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    return (ticks - 116444736000000000LL) * 100;
}

} // namespace

unsigned long ProcessId()
{
    return GetCurrentProcessId();
}

bool IsFolder(const std::string& path)
{
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

ReadStatus ReadWhole(const std::string& path, size_t limit, std::string& out, std::string& reason)
{
    out.clear();
    if (path.empty())
        return ReadStatus::Missing;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND)
            return ReadStatus::Missing;
        reason = ErrorReason(err);
        return ReadStatus::Failed;
    }
    ReadStatus status = ReadStatus::Ok;
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {
        reason = "it is not a regular file";
        status = ReadStatus::Failed;
    } else if (static_cast<std::uint64_t>(size.QuadPart) > limit) {
        status = ReadStatus::TooLarge;
    } else {
        out.reserve(static_cast<size_t>(size.QuadPart));
        char block[64 * 1024];
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(h, block, static_cast<DWORD>(sizeof block), &got, nullptr)) {
                reason = ErrorReason(GetLastError());
                status = ReadStatus::Failed;
                break;
            }
            if (got == 0)
                break;
            if (out.size() + got > limit) {
                status = ReadStatus::TooLarge;
                break;
            }
            out.append(block, got);
        }
    }
    CloseHandle(h);
    if (status != ReadStatus::Ok)
        out.clear();
    return status;
}

FileStamp StampOf(const std::string& path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return stamp;
    stamp.exists = true;
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.modifiedNs = Nanoseconds(data.ftLastWriteTime);
    stamp.changedNs = Nanoseconds(data.ftCreationTime);
    return stamp;
}

std::int64_t NowNs()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Nanoseconds(now);
}

PathState StateOf(const std::string& path)
{
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = GetLastError();
        return (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) ? PathState::Missing : PathState::Other;
    }
    return (attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ? PathState::Other : PathState::Regular;
}

bool ResolveLinks(const std::string& path, std::string& target, bool& isLink, std::string& /*reason*/)
{
    // Replacing a Windows link with MoveFileEx replaces the link itself;
    // links to a settings file are rare enough there to be left at that.
    target = path;
    isLink = false;
    return true;
}

std::string WriteRefusal(const std::string& path)
{
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0)
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
    if (CreateDirectoryA(d.c_str(), nullptr) || IsFolder(d))
        return true;
    reason = "the folder " + d + " cannot be created (" + ErrorReason(GetLastError()) + ")";
    return false;
}

LockResult LockFile(const std::string& lockPath, Lock& lock, std::string& reason, int waitMs)
{
    HANDLE h = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason = ErrorReason(GetLastError());
        return LockResult::Failed;
    }
    lock.handle = reinterpret_cast<std::intptr_t>(h);
    // Tried again every few milliseconds rather than waited for without end:
    // a stuck holder must not freeze the program.
    constexpr int kStepMs = 5;
    for (int waited = 0;; waited += kStepMs) {
        OVERLAPPED ov{};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov))
            return LockResult::Locked;
        const DWORD err = GetLastError();
        if (err != ERROR_LOCK_VIOLATION && err != ERROR_IO_PENDING) {
            reason = ErrorReason(err);
            return LockResult::Failed;
        }
        if (waited >= waitMs)
            return LockResult::Held;
        Sleep(kStepMs);
    }
}

std::string LockHolder(const std::string& /*lockPath*/)
{
    return {};
}

std::vector<std::string> FileNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((WithoutTrailingSeps(folder) + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.emplace_back(found.cFileName);
    while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
}

bool ProcessRunning(unsigned long pid)
{
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!h)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return running;
}

void RemoveFile(const std::string& path)
{
    DeleteFileA(path.c_str());
}

void Unlock(Lock& lock)
{
    if (lock.handle == -1)
        return;
    HANDLE h = reinterpret_cast<HANDLE>(lock.handle);
    OVERLAPPED ov{};
    UnlockFileEx(h, 0, 1, 0, &ov);
    CloseHandle(h);
    lock.handle = -1;
}

bool ReplaceWith(const std::string& path, const std::string& text, InjectedFailure failure, std::string& reason)
{
    std::string temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = TempNameFor(path);
        h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            reason = ErrorReason(GetLastError());
            return false;
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        reason = "no temporary file can be made beside it";
        return false;
    }

    const size_t toWrite = failure == InjectedFailure::HalfWritten ? text.size() / 2 : text.size();
    bool ok = true;
    size_t done = 0;
    while (ok && done < toWrite) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(toWrite - done > 0x100000 ? 0x100000 : toWrite - done);
        ok = WriteFile(h, text.data() + done, chunk, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    DWORD err = ok ? ERROR_SUCCESS : GetLastError();
    if (failure == InjectedFailure::HalfWritten) {
        err = ERROR_DISK_FULL;
        ok = false;
    }
    if (ok && !FlushFileBuffers(h)) {
        err = GetLastError();
        ok = false;
    }
    ok = CloseHandle(h) && ok;
    if (ok && failure == InjectedFailure::BeforeRename) {
        err = ERROR_WRITE_FAULT;
        ok = false;
    }
    if (ok && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        err = GetLastError();
        ok = false;
    }
    if (!ok) {
        DeleteFileA(temp.c_str());
        reason = ErrorReason(err);
    }
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

std::string UserConfigDir()
{
    std::string dir = Env("APPDATA");
    if (dir.empty())
        return {};
    dir = WithoutTrailingSeps(dir);
    if (!IsPathSep(dir.back()))
        dir.push_back(kPathSep);
    dir += "Tovel";
    dir.push_back(kPathSep);
    return dir;
}

} // namespace tovel::settings_os
