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

// The folder of the settings file: the program folder when files can be
// created there, otherwise the per-user folder, so settings are never
// silently lost on an installed, read-only copy.
std::string SettingsFolder(const std::string& appPath, bool appFolderWritable, const std::string& userFolder);

} // namespace tovel
