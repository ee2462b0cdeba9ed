// The settings file on disk: the profile operations of app/Profile.h applied
// to a file that is read whole at each use and replaced atomically on change.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

class SettingsFile {
public:
    explicit SettingsFile(std::string path);
    const std::string& Path() const;

    // A file that is missing or cannot be read (a folder, a device,
    // unreadable) reads as if empty: every read gives its default.
    std::string Read(std::string_view section, std::string_view key, std::string_view def, size_t capacity) const;
    // Every key name of the section, in file order, duplicates kept.
    std::vector<std::string> KeyNames(std::string_view section) const;

    // Each change reads the file under a lock beside it (".NAME.lock"),
    // writes the new text to a temporary file in the same folder, flushes it
    // to disk and renames it over the file, so the file is always either the
    // old text or the new one. The folder is created when missing. They return
    // false when the change failed or was refused (an unacceptable section or
    // key name, a file that exists but cannot be read); the file is then
    // unchanged. Deleting what is not there succeeds without touching disk.
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);

    // Failures that tests can inject into the next changes.
    enum class WriteFailure {
        None,
        HalfWritten,  // the temporary file takes half of the text, then writing fails
        BeforeRename, // the temporary file is complete and flushed, the rename fails
    };
    static void SetWriteFailureForTest(WriteFailure failure);

private:
    template <typename Change>
    bool Modify(bool createIfMissing, Change change);

    std::string m_path;
};

// True when a new file can be created (and removed again) in dir. This tests
// real creation, since permission bits say nothing when running as root.
bool CanCreateFilesIn(const std::string& dir);

// The per-user settings folder, ending in a separator: $XDG_CONFIG_HOME/tovel,
// else $HOME/.config/tovel (on Windows %APPDATA%\Tovel). Not created here;
// the settings writer creates it on demand.
std::string UserConfigDir();

} // namespace tovel
