#include "app/SettingsFile.h"

#include "app/Profile.h"
#include "app/SettingsFileOs.h"
#include "common/ByteText.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace tovel {

namespace os = settings_os;

namespace {

std::atomic<SettingsFile::WriteFailure> g_writeFailure{SettingsFile::WriteFailure::None};
std::atomic<unsigned> g_tempCounter{0};

// The text of the settings file read last, kept while the file's stamp stays
// the same, so that the many reads of one action read the file once. A file
// changed in the last seconds is not kept: file times are coarser than a
// nanosecond, and an edit in place within the same tick that keeps the size
// would otherwise go unseen.
constexpr std::int64_t kSettledNs = 2'000'000'000;
struct CachedText {
    std::string path;
    os::FileStamp stamp;
    os::ReadStatus status = os::ReadStatus::Missing;
    std::string reason;
    std::shared_ptr<const std::string> text;
};

std::mutex g_cacheMutex;
CachedText g_cache;

struct Snapshot {
    os::ReadStatus status = os::ReadStatus::Missing;
    std::string reason;
    std::shared_ptr<const std::string> text;
};

Snapshot ReadSnapshot(const std::string& path)
{
    const os::FileStamp stamp = os::StampOf(path);
    {
        std::lock_guard<std::mutex> guard(g_cacheMutex);
        if (stamp.exists && g_cache.text && g_cache.path == path && g_cache.stamp == stamp)
            return {g_cache.status, g_cache.reason, g_cache.text};
    }
    Snapshot snap;
    auto text = std::make_shared<std::string>();
    snap.status = os::ReadWhole(path, kSettingsFileLimit, *text, snap.reason);
    snap.text = std::move(text);
    // Kept only when the file did not change while it was read and has not
    // changed lately.
    if (stamp.exists && os::NowNs() - stamp.modifiedNs > kSettledNs && os::StampOf(path) == stamp) {
        std::lock_guard<std::mutex> guard(g_cacheMutex);
        g_cache = {path, stamp, snap.status, snap.reason, snap.text};
    }
    return snap;
}

std::string TooLargeReason()
{
    return "the file is larger than " + std::to_string(kSettingsFileLimit / (1024 * 1024))
        + " MB, so Tovel reads it as defaults and leaves it unchanged";
}

// The lock beside the file is a dot file, so file pickers do not show it.
std::string LockPathFor(const std::string& path)
{
    const size_t cut = static_cast<size_t>(LastPathSep(path) + 1);
    return path.substr(0, cut) + "." + path.substr(cut) + ".lock";
}

SettingsWrite Failed(std::string reason)
{
    return {false, std::move(reason)};
}

// How long a change waits for the lock before it gives up on the file.
constexpr int kLockWaitMs = 2000;

// Files whose lock another program held for the whole wait, with the reason:
// they are not written again in this run, so that a stuck holder costs one
// wait rather than one for every change.
std::mutex g_heldMutex;
std::map<std::string, std::string> g_heldFiles;

// Files whose folder has been cleared of temporary files left by writers
// that died before their rename; once a run is enough.
std::mutex g_sweptMutex;
std::set<std::string> g_sweptFiles;

// Removes the temporary files of target whose writer no longer runs. Called
// under the lock, so no live writer of this file is between its open and
// its rename.
void RemoveStaleTemps(const std::string& target)
{
    {
        std::lock_guard<std::mutex> guard(g_sweptMutex);
        if (!g_sweptFiles.insert(target).second)
            return;
    }
    const size_t cut = static_cast<size_t>(LastPathSep(target) + 1);
    const std::string fileName = target.substr(cut);
    for (const std::string& name : os::FileNamesIn(os::FolderOf(target))) {
        unsigned long pid = 0;
        if (os::TempNameOwner(name, fileName, pid) && !os::ProcessRunning(pid))
            os::RemoveFile(target.substr(0, cut) + name);
    }
}

} // namespace

KeyMatch SettingsKeyMatch(std::string_view section)
{
    while (!section.empty() && (section.front() == ' ' || section.front() == '\t'))
        section.remove_prefix(1);
    while (!section.empty() && (section.back() == ' ' || section.back() == '\t'))
        section.remove_suffix(1);
    if (kFileNamesKeepCase)
        for (std::string_view paths : setting::kPathKeyedSections)
            if (EqualsNoCase(section, paths))
                return KeyMatch::Exact;
    return KeyMatch::FoldCase;
}

namespace settings_os {

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

std::string TempNameFor(const std::string& path)
{
    return path + ".tmp-" + std::to_string(ProcessId()) + "-" + std::to_string(g_tempCounter.fetch_add(1));
}

bool TempNameOwner(std::string_view name, std::string_view fileName, unsigned long& pid)
{
    const std::string prefix = std::string(fileName) + ".tmp-";
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return false;
    const std::string_view rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    const auto digits = [](std::string_view t) {
        return !t.empty() && t.size() <= 19 && t.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string_view::npos || !digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1)))
        return false;
    pid = std::stoul(std::string(rest.substr(0, dash)));
    return true;
}

std::string PlainReason(std::string message)
{
    while (!message.empty()
           && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    if (message.size() > 1 && message[0] >= 'A' && message[0] <= 'Z' && !(message[1] >= 'A' && message[1] <= 'Z'))
        message[0] = AsciiLower(message[0]);
    return message;
}

} // namespace settings_os

SettingsFile::SettingsFile(std::string path) : m_path(std::move(path)) {}

const std::string& SettingsFile::Path() const
{
    return m_path;
}

std::string SettingsFile::Read(std::string_view section, std::string_view key, std::string_view def,
                               size_t capacity) const
{
    const Snapshot snap = ReadSnapshot(m_path);
    return ProfileGetString(*snap.text, section, key, def, capacity, SettingsKeyMatch(section));
}

std::string SettingsFile::Read(const SettingKey& key, std::string_view appPath) const
{
    return Read(key.section, key.key, key.defaultIsAppPath ? appPath : key.def, key.capacity);
}

std::vector<std::string> SettingsFile::KeyNames(std::string_view section) const
{
    const Snapshot snap = ReadSnapshot(m_path);
    return ProfileGetKeyNames(*snap.text, section);
}

std::string SettingsFile::ReadProblem() const
{
    const Snapshot snap = ReadSnapshot(m_path);
    if (snap.status == os::ReadStatus::TooLarge)
        return TooLargeReason();
    if (snap.status == os::ReadStatus::Failed)
        return snap.reason;
    return {};
}

template <typename Change>
SettingsWrite SettingsFile::Modify(bool createIfMissing, Change change)
{
    if (m_path.empty())
        return Failed("no settings file is known");
    // A link stays a link: the file it points to is the one replaced.
    std::string target;
    bool isLink = false;
    std::string reason;
    if (!os::ResolveLinks(m_path, target, isLink, reason))
        return Failed(reason);
    {
        std::lock_guard<std::mutex> guard(g_heldMutex);
        if (const auto held = g_heldFiles.find(target); held != g_heldFiles.end())
            return Failed(held->second);
    }
    // Only a regular file is ever replaced: never a folder or a device, and
    // nothing (not even the lock file) is created beside one.
    const os::PathState state = os::StateOf(target);
    if (state == os::PathState::Other)
        return Failed("it is not a regular file");
    if (state == os::PathState::Missing && !createIfMissing)
        return {};
    if (state == os::PathState::Regular) {
        if (std::string refusal = os::WriteRefusal(target); !refusal.empty())
            return Failed(refusal);
    } else if (isLink) {
        // A dangling link becomes a file at its target, where its folder is.
        if (!os::IsFolder(os::FolderOf(target)))
            return Failed("the link points into the missing folder " + os::FolderOf(target));
    } else if (!os::MakeFolders(os::FolderOf(target), reason)) {
        return Failed(reason);
    }
    os::Lock lock;
    const std::string lockPath = LockPathFor(target);
    const os::LockResult locked = os::LockFile(lockPath, lock, reason, kLockWaitMs);
    struct Unlocker {
        os::Lock& lock;
        ~Unlocker() { os::Unlock(lock); }
    } unlocker{lock};
    if (locked == os::LockResult::Held) {
        const std::string holder = os::LockHolder(lockPath);
        std::string why = "its lock file " + lockPath + " is held by " + (holder.empty() ? "another program" : holder)
            + ", so Tovel leaves the file as it is until it is started again";
        std::lock_guard<std::mutex> guard(g_heldMutex);
        g_heldFiles.emplace(target, why);
        return Failed(std::move(why));
    }
    if (locked == os::LockResult::Failed)
        return Failed("its lock file cannot be used (" + reason + ")");
    std::string text;
    const os::ReadStatus status = os::ReadWhole(target, kSettingsFileLimit, text, reason);
    // A file that is there but cannot be read is not replaced: its contents
    // would be lost.
    if (status == os::ReadStatus::Failed)
        return Failed(reason);
    if (status == os::ReadStatus::TooLarge)
        return Failed(TooLargeReason());
    if (status == os::ReadStatus::Missing && !createIfMissing)
        return {};
    const std::string changed = change(text);
    if (status == os::ReadStatus::Ok && changed == text)
        return {};
    os::InjectedFailure failure = os::InjectedFailure::None;
    switch (g_writeFailure.load()) {
    case WriteFailure::HalfWritten:
        failure = os::InjectedFailure::HalfWritten;
        break;
    case WriteFailure::BeforeRename:
        failure = os::InjectedFailure::BeforeRename;
        break;
    case WriteFailure::None:
        break;
    }
    RemoveStaleTemps(target);
    if (!os::ReplaceWith(target, changed, failure, reason))
        return Failed(reason);
    return {};
}

SettingsWrite SettingsFile::Write(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsValidProfileSection(section) || !IsValidProfileKey(key))
        return Failed("the name " + std::string(key) + " cannot be kept in a settings file");
    return Modify(true, [&](const std::string& text) {
        return ProfileWriteString(text, section, key, value, SettingsKeyMatch(section));
    });
}

SettingsWrite SettingsFile::WriteUnlessChanged(const SettingKey& key, std::string_view expected, std::string_view value)
{
    const KeyMatch match = SettingsKeyMatch(key.section);
    return Modify(true, [&](const std::string& text) -> std::string {
        if (ProfileGetString(text, key.section, key.key, key.def, key.capacity, match) != expected)
            return text;
        return ProfileWriteString(text, key.section, key.key, value, match);
    });
}

SettingsWrite SettingsFile::WriteIfMissing(std::string_view text)
{
    return Modify(true, [&](const std::string& current) { return current.empty() ? std::string(text) : current; });
}

SettingsWrite SettingsFile::Write(const SettingKey& key, std::string_view value)
{
    return Write(key.section, key.key, value);
}

SettingsWrite SettingsFile::DeleteKey(std::string_view section, std::string_view key)
{
    if (!IsValidProfileSection(section) || !IsValidProfileKey(key))
        return Failed("the name " + std::string(key) + " cannot be kept in a settings file");
    return Modify(false, [&](const std::string& text) {
        return ProfileDeleteKey(text, section, key, SettingsKeyMatch(section));
    });
}

SettingsWrite SettingsFile::DeleteSection(std::string_view section)
{
    if (!IsValidProfileSection(section))
        return Failed("the name " + std::string(section) + " cannot be kept in a settings file");
    return Modify(false, [&](const std::string& text) { return ProfileDeleteSection(text, section); });
}

SettingsWrite SettingsFile::ReplaceSection(std::string_view section, const std::vector<std::string>& keys,
                                           std::string_view value)
{
    if (!IsValidProfileSection(section))
        return Failed("the name " + std::string(section) + " cannot be kept in a settings file");
    // Creating a file only to hold an empty section is not needed.
    return Modify(!keys.empty(), [&](const std::string& text) {
        return ProfileReplaceSection(text, section, keys, value, SettingsKeyMatch(section));
    });
}

SettingsWrite SettingsFile::EditSection(std::string_view section, const SectionEdit& edit, std::string_view value)
{
    if (!IsValidProfileSection(section))
        return Failed("the name " + std::string(section) + " cannot be kept in a settings file");
    return Modify(false, [&](const std::string& text) -> std::string {
        const std::vector<std::string> keys = ProfileGetKeyNames(text, section);
        const std::vector<std::string> edited = edit(keys);
        if (edited == keys)
            return text;
        return ProfileReplaceSection(text, section, edited, value, SettingsKeyMatch(section));
    });
}

void SettingsFile::SetWriteFailureForTest(WriteFailure failure)
{
    g_writeFailure.store(failure);
}

std::string SettingsWriteFailedMessage(std::string_view path, std::string_view reason)
{
    return "Tovel cannot save its settings in " + std::string(path) + ": " + std::string(reason)
        + ". Changes made now are not kept.";
}

bool CanCreateFilesIn(const std::string& dir)
{
    if (dir.empty() || !os::IsFolder(dir))
        return false;
    std::string base = dir;
    if (!IsPathSep(base.back()))
        base.push_back(kPathSep);
    base += ".tovel-probe";
    for (int attempt = 0; attempt < 100; ++attempt) {
        bool nameTaken = false;
        if (os::ProbeCreate(os::TempNameFor(base), nameTaken))
            return true;
        if (!nameTaken)
            return false;
    }
    return false;
}

std::string UserConfigDir()
{
    return os::UserConfigDir();
}

} // namespace tovel
