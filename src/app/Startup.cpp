#include "app/Startup.h"

#include "common/ByteText.h"

namespace tovel {

std::string AppPathFromExecutable(std::string_view executablePath)
{
    std::string path = Left(executablePath, LastPathSep(executablePath) + 1);
#ifdef _WIN32
    for (char& c : path)
        c = AsciiLower(c);
#endif
    return path;
}

std::string SettingsFolder(const std::string& appPath, bool appFolderWritable, const std::string& userFolder)
{
    if (appFolderWritable || userFolder.empty())
        return appPath;
    return userFolder;
}

} // namespace tovel
