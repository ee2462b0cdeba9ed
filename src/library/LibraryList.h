// Plain rules of the library list: where the Add picker starts, which paths
// can be registered, and the texts the list shows the user.
#pragma once

#include "common/PickerPath.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// Where the Add picker opens. folder is the start path up to and including
// its last separator (the whole start path when it has none); fileName is
// the rest, the name filled in. folder + fileName never exceeds
// kPickerPathLimit - 1 bytes: a too-long start path loses its file name, and
// its folder is fitted with FitPickerFolder.
struct PickerStart {
    std::string folder;
    std::string fileName;
};
PickerStart AddPickerStart(std::string_view startPath);

// The name of the library offered when nothing else is known.
inline constexpr std::string_view kDefaultLibraryName = "LibDev4410.s79";

// The Add start path: the selected library when one is selected, else the
// last library when not empty, else appPath + "LibDev4410.s79".
std::string AddStartPath(std::string_view selectedLibrary, bool hasSelection, std::string_view lastLibrary,
                         std::string_view appPath);

// Sorts library paths into the library list's order: case ignored, equal
// paths in their given order (the order of the sorted library combo).
void SortLibraryList(std::vector<std::string>& paths);

// The library that is current once the list is loaded: the first item of the
// list (in SortLibraryList's order) equal to the "Last" library byte for
// byte, else the first equal to it with case ignored; else the first item, which then becomes the "Last" library;
// index -1 when the list is empty. Tovel and tovel-cli both choose so.
struct CurrentLibraryChoice {
    int index = -1;
    bool isLast = false; // the item is the "Last" library
};
CurrentLibraryChoice ChooseCurrentLibrary(const std::vector<std::string>& list, std::string_view lastLibrary);

// Whether a listed library is there (the window asks the platform layer,
// whose test is the same).
using LibraryExists = std::function<bool(const std::string& path)>;
// True when something exists at path (it need not be readable).
bool PathExists(const std::string& path);

// The listed libraries split by whether they exist, each part in the order given.
struct PresentLibraries {
    std::vector<std::string> present;
    std::vector<std::string> missing;
};
PresentLibraries SplitPresentLibraries(std::vector<std::string> listed, const LibraryExists& exists);

// The library Tovel starts with: ChooseCurrentLibrary among the listed
// libraries that exist, in the list's order. path is empty when none does.
struct StartLibrary {
    std::string path;
    bool isLast = false; // it is the "Last" library
};
StartLibrary ChooseStartLibrary(std::vector<std::string> listed, std::string_view lastLibrary,
                                const LibraryExists& exists = PathExists);

// True for a path that a settings-file key can hold and give back unchanged:
// not empty; no '=', CR, LF or NUL; not starting with ';' or '['; no blank or
// tab at either end (key names are trimmed when read).
bool IsRegistrableLibraryPath(std::string_view path);

// The longest library path the settings keep whole (kPathCapacity - 1
// bytes): a longer one is refused before it is listed.
bool IsTooLongLibraryPath(std::string_view path);
// "Library <path> cannot be listed:\nits path is longer than N bytes, ..."
std::string TooLongLibraryMessage(std::string_view path);

// "Library <path> not available.\nWill be removed from list."
std::string MissingLibraryMessage(std::string_view path);
// One message for every registered library that is gone: the text above for
// one; for more, the first kMissingLibrariesNamed named one a line, then
// "and N more" for the rest.
inline constexpr size_t kMissingLibrariesNamed = 5;
std::string MissingLibrariesMessage(const std::vector<std::string>& paths);
// "Library <path> source file not available.\nFix using Library Combobox."
std::string UnreadableLibraryMessage(std::string_view path);
// "Do you wish to remove access to\n<path> ?"
std::string UnlistQuestion(std::string_view path);
// "Could not find source <sourcePath> or .c"
std::string MissingSourceMessage(std::string_view sourcePath);
// "Could not find source <path>" (Show, when the library cannot be opened)
std::string ShowUnreadableMessage(std::string_view path);
// "No library to show."
inline constexpr std::string_view kNoLibraryToShowMessage = "No library to show.";

} // namespace tovel
