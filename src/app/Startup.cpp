#include "app/Startup.h"

#include "app/SettingsFile.h"
#include "app/SettingsFileOs.h"
#include "common/ByteText.h"

namespace tovel {

namespace os = settings_os;

std::string AppPathFromExecutable(std::string_view executablePath)
{
    std::string path = Left(executablePath, LastPathSep(executablePath) + 1);
#ifdef _WIN32
    for (char& c : path)
        c = AsciiLower(c);
#endif
    return path;
}

namespace {

// The text of the program folder's settings file when the per-user folder
// should start from it: the program folder cannot hold changes, the user has
// no settings file yet, and the program folder holds a readable one.
bool ProgramFolderSettings(const std::string& appPath, bool appFolderWritable, const std::string& userFolder,
                           std::string& text)
{
    if (appFolderWritable || userFolder.empty())
        return false;
    if (os::StateOf(userFolder + std::string(kSettingsFileName)) != os::PathState::Missing)
        return false;
    std::string reason;
    return os::ReadWhole(appPath + std::string(kSettingsFileName), kSettingsFileLimit, text, reason)
        == os::ReadStatus::Ok;
}

} // namespace

std::string SettingsFolder(const std::string& appPath, bool appFolderWritable, const std::string& userFolder)
{
    std::string text;
    if (appFolderWritable || userFolder.empty())
        return appPath;
    return ProgramFolderSettings(appPath, appFolderWritable, userFolder, text) ? appPath : userFolder;
}

SettingsPlace PlaceSettings(const std::string& appPath, bool appFolderWritable, const std::string& userFolder)
{
    const std::string appFile = appPath + std::string(kSettingsFileName);
    if (appFolderWritable || userFolder.empty())
        return {appFile, {}};
    const std::string userFile = userFolder + std::string(kSettingsFileName);
    std::string text;
    if (!ProgramFolderSettings(appPath, appFolderWritable, userFolder, text))
        return {userFile, {}};
    SettingsFile user(userFile);
    if (!user.WriteIfMissing(text))
        return {appFile, {}};
    return {userFile,
            "Tovel cannot save its settings in its program folder " + appPath + ". It has copied " + appFile + " to "
                + userFile + " and keeps every change there from now on."};
}

} // namespace tovel
