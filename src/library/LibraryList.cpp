#include "library/LibraryList.h"

#include "app/SettingsKeys.h"
#include "common/ByteText.h"
#include "common/NoCaseOrder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tovel {

namespace {

std::string Join(std::string_view a, std::string_view b, std::string_view c = {})
{
    std::string out;
    out.reserve(a.size() + b.size() + c.size());
    out.append(a);
    out.append(b);
    out.append(c);
    return out;
}

} // namespace

PickerStart AddPickerStart(std::string_view startPath)
{
    constexpr size_t kMax = kPickerPathLimit - 1;
    PickerStart start;
    const int sep = LastPathSep(startPath);
    if (sep < 0) {
        // No folder part: the picker gets the path as it is on both counts.
        if (startPath.size() <= kMax) {
            start.folder = std::string(startPath);
            start.fileName = std::string(startPath);
        }
        return start;
    }

    std::string_view folder = startPath.substr(0, static_cast<size_t>(sep) + 1);
    if (startPath.size() <= kMax) {
        start.folder = std::string(folder);
        start.fileName = std::string(startPath.substr(folder.size()));
        return start;
    }
    // Too long: drop the file name and fit the folder.
    start.folder = FitPickerFolder(folder);
    return start;
}

std::string AddStartPath(std::string_view selectedLibrary, bool hasSelection, std::string_view lastLibrary,
                         std::string_view appPath)
{
    if (hasSelection)
        return std::string(selectedLibrary);
    if (!lastLibrary.empty())
        return std::string(lastLibrary);
    return Join(appPath, kDefaultLibraryName);
}

void SortLibraryList(std::vector<std::string>& paths)
{
    SortFunctionList(paths);
}

CurrentLibraryChoice ChooseCurrentLibrary(const std::vector<std::string>& list, std::string_view lastLibrary)
{
    CurrentLibraryChoice choice;
    // Two paths that differ only in case may be two files: the exact one wins.
    const auto exact = std::find(list.begin(), list.end(), lastLibrary);
    choice.index = exact != list.end() ? static_cast<int>(exact - list.begin()) : FindStringExact(list, lastLibrary);
    choice.isLast = choice.index >= 0;
    if (!choice.isLast && !list.empty())
        choice.index = 0;
    return choice;
}

bool IsRegistrableLibraryPath(std::string_view path)
{
    if (path.empty() || path.front() == ';' || path.front() == '[')
        return false;
    if (path.find_first_of(std::string_view("=\r\n\0", 4)) != std::string_view::npos)
        return false;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    return !isBlank(path.front()) && !isBlank(path.back());
}

bool IsTooLongLibraryPath(std::string_view path)
{
    return path.size() >= kPathCapacity;
}

std::string TooLongLibraryMessage(std::string_view path)
{
    return Join("Library ", path,
                " cannot be listed:\nits path is longer than " + std::to_string(kPathCapacity - 1)
                    + " bytes, the longest the settings file keeps.");
}

std::string MissingLibraryMessage(std::string_view path)
{
    return Join("Library ", path, " not available.\nWill be removed from list.");
}

std::string MissingLibrariesMessage(const std::vector<std::string>& paths)
{
    if (paths.size() == 1)
        return MissingLibraryMessage(paths.front());
    std::string text = "Libraries not available:";
    for (size_t i = 0; i < paths.size() && i < kMissingLibrariesNamed; ++i)
        text.append("\n").append(paths[i]);
    if (paths.size() > kMissingLibrariesNamed)
        text.append("\nand ").append(std::to_string(paths.size() - kMissingLibrariesNamed)).append(" more");
    text.append("\nWill be removed from list.");
    return text;
}

std::string UnreadableLibraryMessage(std::string_view path)
{
    return Join("Library ", path, " source file not available.\nFix using Library Combobox.");
}

std::string UnlistQuestion(std::string_view path)
{
    return Join("Do you wish to remove access to\n", path, " ?");
}

std::string MissingSourceMessage(std::string_view sourcePath)
{
    return Join("Could not find source ", sourcePath, " or .c");
}

std::string ShowUnreadableMessage(std::string_view path)
{
    return Join("Could not find source ", path);
}

bool PathExists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

PresentLibraries SplitPresentLibraries(std::vector<std::string> listed, const LibraryExists& exists)
{
    PresentLibraries split;
    split.present.reserve(listed.size());
    for (std::string& name : listed)
        (exists(name) ? split.present : split.missing).push_back(std::move(name));
    return split;
}

StartLibrary ChooseStartLibrary(std::vector<std::string> listed, std::string_view lastLibrary,
                                const LibraryExists& exists)
{
    std::vector<std::string> present = SplitPresentLibraries(std::move(listed), exists).present;
    SortLibraryList(present);
    const CurrentLibraryChoice choice = ChooseCurrentLibrary(present, lastLibrary);
    if (choice.index < 0)
        return {};
    return {std::move(present[static_cast<size_t>(choice.index)]), choice.isLast};
}

} // namespace tovel
