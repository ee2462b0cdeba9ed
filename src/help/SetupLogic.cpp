#include "help/SetupLogic.h"

#include "common/ByteText.h"
#include "help/HelpLaunch.h"

#include <utility>

namespace tovel {

namespace {

// The folder part of a path, up to and including its last separator; empty
// when the path has none.
std::string FolderOf(std::string_view path)
{
    return Left(path, LastPathSep(path) + 1);
}

constexpr size_t kPickerMax = kPickerPathLimit - 1;

bool IsAbsoluteHelpPath(std::string_view path)
{
#ifdef _WIN32
    return path.size() >= 2 && path[1] == ':';
#else
    return !path.empty() && path[0] == '/';
#endif
}

#ifdef _WIN32
constexpr std::string_view kRootFolder = "C:\\";
#else
constexpr std::string_view kRootFolder = "/";
#endif

} // namespace

int IntroRadioFromSetting(std::string_view text)
{
    return EqualsNoCase(text, "Yes") ? 0 : 1;
}

std::string IntroSettingFromRadio(int index)
{
    return index == 0 ? "Yes" : "No";
}

std::string EnsureTrailingBackslash(std::string_view path)
{
    std::string out(path);
    if (out.empty() || !IsPathSep(out.back()))
        out.push_back(kPathSep);
    return out;
}

std::string AbsoluteHelpPath(std::string_view appDir, std::string_view helpPath)
{
    // A drive-relative path ("C:help") counts as absolute, as the picker
    // takes it; a web address stays one.
    if (IsAbsoluteHelpPath(helpPath) || (!helpPath.empty() && IsPathSep(helpPath.front())) || IsUrl(helpPath))
        return std::string(helpPath);
    std::string path(appDir);
    path.append(helpPath);
    return path;
}

PickerStartInfo BrowserPickerStart(std::string_view browserPath)
{
    PickerStartInfo info;
    if (!browserPath.empty() && !IsPathSep(browserPath.back()) && browserPath.size() <= kPickerMax) {
        info.presetFile = std::string(browserPath);
        info.hasPreset = true;
    }
    info.folder = FitPickerFolder(FolderOf(browserPath));
    return info;
}

PickerStartInfo HelpPickerStart(std::string_view helpPath)
{
    PickerStartInfo info;
    const std::string_view start = IsAbsoluteHelpPath(helpPath) ? helpPath : kRootFolder;
    info.folder = FitPickerFolder(start);
    if (!IsPathSep(start.back())) {
        // A separator goes between the folder and the page name, so the
        // picker opens inside that folder with the main page's name filled in.
        std::string preset(start);
        preset.push_back(kPathSep);
        preset.append("TV_P.html");
        if (preset.size() <= kPickerMax) {
            info.presetFile = std::move(preset);
            info.hasPreset = true;
        }
    }
    return info;
}

std::string HelpFolderFromPick(std::string_view pickedPath)
{
    const int sep = LastPathSep(pickedPath);
    if (sep < 0)
        return std::string(pickedPath);
    return Left(pickedPath, sep + 1);
}

} // namespace tovel
