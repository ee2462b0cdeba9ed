// The plain-string side of the Setup dialog: the help-mode radio buttons and
// their setting, the help path's trailing separator, and where the two
// Browse pickers start and what a pick turns into.
#pragma once

#include "common/PickerPath.h"

#include <string>
#include <string_view>

namespace tovel {

// 0 ("&Intro") when the "Intro" setting equals "Yes" ignoring case, else 1
// ("&Details"). The dialog reads "Intro" with the default "Yes", so a missing
// key shows "&Intro", which is what the help commands then do.
int IntroRadioFromSetting(std::string_view text);

// "Yes" for radio 0, "No" for any other index (also -1, nothing selected).
std::string IntroSettingFromRadio(int index);

// The path with the platform separator appended when it is empty or does not
// end in a separator; an empty help path becomes a single separator.
std::string EnsureTrailingBackslash(std::string_view path);

// The help path as it is saved: a relative path is taken from appDir (the
// program's folder, ending in a separator, where the companion files live),
// never from the folder Tovel happened to be started in. An http, https or
// file URL is kept as it is.
std::string AbsoluteHelpPath(std::string_view appDir, std::string_view helpPath);

// Where a picker opens: its folder and, when hasPreset, the file it shows at
// first (a full path). Neither is longer than kPickerPathLimit - 1 bytes: a
// preset that does not fit is left out, and the folder is fitted with
// FitPickerFolder.
struct PickerStartInfo {
    std::string folder;
    std::string presetFile;
    bool hasPreset = false;
};

// The browser picker: presets the whole browser path unless it is empty or
// ends in a separator, and opens in its folder (up to and including the last
// separator; empty when it has none).
PickerStartInfo BrowserPickerStart(std::string_view browserPath);

// The help-folder picker: opens in the help path, or in the root when the
// help path is not absolute; presets "TV_P.html" in that folder when the
// folder does not end in a separator.
PickerStartInfo HelpPickerStart(std::string_view helpPath);

// The new help path for a picked file: its folder with the trailing
// separator. A pick without any separator is kept as it is.
std::string HelpFolderFromPick(std::string_view pickedPath);

} // namespace tovel
