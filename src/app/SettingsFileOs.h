// What the settings file needs from the operating system; one implementation
// per system (SettingsFile_posix.cpp, SettingsFile_win.cpp). Failures come
// with a reason in lower-case words for the user ("permission denied").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::settings_os {

enum class ReadStatus { Ok, Missing, Failed, TooLarge };
enum class PathState { Missing, Regular, Other };

// What tells one version of a file from another without reading it.
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// The whole file, read in blocks: Missing when there is none, TooLarge when
// it holds more than limit bytes, Failed when it is not a regular file or
// cannot be read (reason says why). out is empty unless Ok.
ReadStatus ReadWhole(const std::string& path, size_t limit, std::string& out, std::string& reason);
FileStamp StampOf(const std::string& path);
// The wall-clock time in the units and from the epoch of FileStamp's times.
std::int64_t NowNs();
PathState StateOf(const std::string& path);
bool IsFolder(const std::string& path);

// The file a change must replace: path itself, or, when path is a symbolic
// link, the file at the end of its chain of links (which may not exist).
// isLink tells which. False, with a reason, for a loop of links.
bool ResolveLinks(const std::string& path, std::string& target, bool& isLink, std::string& reason);

// "" when the user may write the existing file at path; otherwise why not.
std::string WriteRefusal(const std::string& path);

bool MakeFolders(const std::string& dir, std::string& reason);

// An exclusive lock held by a lock file, released by Unlock.
struct Lock {
    std::intptr_t handle = -1;
};
enum class LockResult { Locked, Failed, Held };
// Takes the lock, waiting for another holder at most waitMs milliseconds:
// Held when it keeps the lock that long, Failed (with a reason) when the
// lock file cannot be used.
LockResult LockFile(const std::string& lockPath, Lock& lock, std::string& reason, int waitMs);
void Unlock(Lock& lock);
// Who holds the lock of lockPath, as "process PID (NAME)"; "" when the
// system does not tell.
std::string LockHolder(const std::string& lockPath);

// The names (not paths) of the entries of folder; empty when it cannot be read.
std::vector<std::string> FileNamesIn(const std::string& folder);
// False only when no process pid runs (one of another user's counts as running).
bool ProcessRunning(unsigned long pid);
void RemoveFile(const std::string& path);

// How a test makes the next replace fail.
enum class InjectedFailure { None, HalfWritten, BeforeRename };

// Writes text to a new temporary file beside path, flushes it and moves it
// over path. On failure the temporary file is removed and path is untouched.
bool ReplaceWith(const std::string& path, const std::string& text, InjectedFailure failure, std::string& reason);

// Creates probe as a new file and removes it again; nameTaken when the name
// already exists.
bool ProbeCreate(const std::string& probe, bool& nameTaken);

unsigned long ProcessId();
std::string UserConfigDir();

// Shared by both systems (SettingsFile.cpp).
// The folder that holds path, without its trailing separator ("." when the
// path names no folder; the root keeps its separator).
std::string FolderOf(const std::string& path);
std::string WithoutTrailingSeps(std::string dir);
// A name in the same folder as path that no other writer uses at the moment:
// path + ".tmp-PID-N".
std::string TempNameFor(const std::string& path);
// The process id in a name that TempNameFor gave for a file named fileName;
// false for any other name.
bool TempNameOwner(std::string_view name, std::string_view fileName, unsigned long& pid);
// A system message in lower-case words, without a final full stop.
std::string PlainReason(std::string message);

} // namespace tovel::settings_os
