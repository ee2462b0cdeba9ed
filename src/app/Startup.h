// Start-up decisions that need no window: the program folder and where the
// settings file lives.
#pragma once

#include <string>
#include <string_view>

namespace tovel {

inline constexpr std::string_view kSettingsFileName = "Tovel.ini";
inline constexpr std::string_view kIntroFileName = "Tovel.txt";

// The executable's folder up to and including its last separator; lower
// case on Windows, where file names ignore case, unchanged elsewhere.
std::string AppPathFromExecutable(std::string_view executablePath);

// The folder of the settings file as it stands, for readers (tovel-cli): the
// program folder when files can be created there, otherwise the per-user
// folder, so settings are never silently lost on an installed, read-only
// copy. While the user has no settings file and the program folder holds a
// readable one, that one is read.
std::string SettingsFolder(const std::string& appPath, bool appFolderWritable, const std::string& userFolder);

// The settings file of the window, chosen as above. When the program folder
// cannot hold changes and its readable settings file would be read, that
// file is first copied to the per-user folder, and notice tells the user
// where changes are kept from now on; the next start finds the copy, so this
// is told once. When no copy can be made, the program folder's file is used
// as it is, and its changes fail and are reported.
struct SettingsPlace {
    std::string path;
    std::string notice;
};
SettingsPlace PlaceSettings(const std::string& appPath, bool appFolderWritable, const std::string& userFolder);

} // namespace tovel
