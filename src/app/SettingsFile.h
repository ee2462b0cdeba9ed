// The settings file on disk: the profile operations of app/Profile.h applied
// to a file that is read whole (and kept while it is unchanged) and replaced
// atomically on change.
#pragma once

#include "app/Profile.h"
#include "app/SettingsKeys.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// A settings file larger than this is far beyond any real one: it reads as
// defaults and is never written over.
inline constexpr size_t kSettingsFileLimit = 16u * 1024 * 1024;

// The outcome of a change. reason says why it failed, in words that complete
// "Tovel cannot save its settings in PATH: ...".
struct [[nodiscard]] SettingsWrite {
    bool ok = true;
    std::string reason;
    explicit operator bool() const { return ok; }
};

class SettingsFile {
public:
    explicit SettingsFile(std::string path);
    const std::string& Path() const;

    // A file that is missing, cannot be read (a folder, a device, unreadable)
    // or is larger than kSettingsFileLimit reads as if empty: every read
    // gives its default. The text is read once and kept for later reads
    // while the file's identity, size and times stay the same.
    std::string Read(std::string_view section, std::string_view key, std::string_view def, size_t capacity) const;
    // A row of the settings table; appPath is the default of rows whose
    // default is the program folder.
    std::string Read(const SettingKey& key, std::string_view appPath = {}) const;
    // Every key name of the section, in file order, duplicates kept.
    std::vector<std::string> KeyNames(std::string_view section) const;
    // Why the file reads as defaults although it is there ("" when it does
    // not): too large, not a regular file, unreadable.
    std::string ReadProblem() const;

    // Each change reads the file under a lock beside it (".NAME.lock", a dot file
    // that pickers do not show; a holder that keeps it for two seconds makes
    // the change fail with a reason naming the holder, and the file is then
    // not written again in this process), writes the new text to a temporary file in the same folder,
    // flushes it to disk and renames it over the file, so the file is always
    // either the old text or the new one. When the path is a symbolic link,
    // all of this happens at the file the link points to, so the link stays.
    // The folder is created when missing (not for a link's target). A change
    // fails, leaving the file as it was, for an unacceptable section or key
    // name, a file that exists but cannot be read or is too large, and a file
    // its user may not write (no write permission, or a mode that lets no one
    // write it, as an editor would refuse it). Deleting what is not there
    // succeeds without touching disk.
    SettingsWrite Write(std::string_view section, std::string_view key, std::string_view value);
    SettingsWrite Write(const SettingKey& key, std::string_view value);
    SettingsWrite DeleteKey(std::string_view section, std::string_view key);
    SettingsWrite DeleteSection(std::string_view section);
    // The section rewritten to hold exactly keys, each with value, in one
    // replace of the file (see ProfileReplaceSection).
    SettingsWrite ReplaceSection(std::string_view section, const std::vector<std::string>& keys,
                                 std::string_view value);

    // key set to value only when it still reads expected at the moment of the
    // change: a value chosen from what was read earlier never overwrites what
    // another program wrote meanwhile.
    SettingsWrite WriteUnlessChanged(const SettingKey& key, std::string_view expected, std::string_view value);
    // The whole file made to hold text, when it is missing or empty.
    SettingsWrite WriteIfMissing(std::string_view text);
    // The section rewritten (see ProfileReplaceSection) to hold the keys that
    // edit makes of the keys it holds at the moment of the change, in file
    // order; nothing is written when edit gives them back unchanged. A file
    // that is missing is left so. Keys of the sections of paths
    // (setting::kPathKeyedSections) compare byte for byte where file names
    // keep letter case, in this and every other change and read.
    using SectionEdit = std::function<std::vector<std::string>(const std::vector<std::string>&)>;
    SettingsWrite EditSection(std::string_view section, const SectionEdit& edit, std::string_view value);

    // Failures that tests can inject into the next changes.
    enum class WriteFailure {
        None,
        HalfWritten,  // the temporary file takes half of the text, then writing fails
        BeforeRename, // the temporary file is complete and flushed, the rename fails
    };
    static void SetWriteFailureForTest(WriteFailure failure);

private:
    template <typename Change>
    SettingsWrite Modify(bool createIfMissing, Change change);

    std::string m_path;
};

// How the key names of a section compare in the settings file: byte for
// byte in the sections of paths where file names keep letter case, with
// case folded everywhere else.
KeyMatch SettingsKeyMatch(std::string_view section);

// "Tovel cannot save its settings in PATH: REASON. Changes made now are not kept."
std::string SettingsWriteFailedMessage(std::string_view path, std::string_view reason);

// True when a new file can be created (and removed again) in dir. This tests
// real creation, since permission bits say nothing when running as root.
bool CanCreateFilesIn(const std::string& dir);

// The per-user settings folder, ending in a separator: $XDG_CONFIG_HOME/tovel,
// else $HOME/.config/tovel (on Windows %APPDATA%\Tovel). Not created here;
// the settings writer creates it on demand.
std::string UserConfigDir();

} // namespace tovel
