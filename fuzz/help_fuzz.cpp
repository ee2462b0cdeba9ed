// The help and path rules on any text: help launches, the Setup dialog's
// picker starts and picks, the Add picker's start, and the library paths the
// list accepts, which must survive the settings file as key names.
#include "FuzzSupport.h"

#include "app/Profile.h"
#include "common/ByteText.h"
#include "help/HelpLaunch.h"
#include "help/SetupLogic.h"
#include "library/LibraryList.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr size_t kMax = tovel::kPickerPathLimit - 1;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tovel::fuzz::Input in(data, size);
    const unsigned bits = in.Byte();
    const unsigned long repeat = in.Byte();
    std::string path = in.Until("\n");
    // Long paths too, past the picker's limit.
    if (!path.empty() && repeat > 200)
        while (path.size() < tovel::kPickerPathLimit + (repeat - 200) * 16)
            path += path;
    const std::string other = in.Until("\n");
    const std::string iniText = in.Rest();

    // Help paths.
    const std::string trailing = tovel::EnsureTrailingBackslash(path);
    FUZZ_CHECK(!trailing.empty() && tovel::IsPathSep(trailing.back()) && tovel::StartsWith(trailing, path));
    FUZZ_CHECK(tovel::EnsureTrailingBackslash(trailing) == trailing);
    const std::string joined = tovel::JoinHelpPath(path, other);
    FUZZ_CHECK(tovel::StartsWith(joined, path) && tovel::EndsWith(joined, other));
    FUZZ_CHECK(joined.size() <= path.size() + 1 + other.size());

    const auto exists = [&](const std::string& file) {
        return file == tovel::HelpPagePath(path) ? (bits & 1) != 0 : (bits & 2) != 0;
    };
    const tovel::HelpLaunch button = tovel::PlanHelpButton("/app/", other, path, exists);
    if (button.hasParams)
        FUZZ_CHECK(button.file == other && button.params == tovel::HelpPagePath(path));
    else
        FUZZ_CHECK((bits & 3) == 2 && button.file == tovel::JoinHelpPath(path, "TovelHelp.exe"));
    const tovel::HelpLaunch key = tovel::PlanHelpKey("/app/", other, path);
    FUZZ_CHECK(key.file == other && key.hasParams && key.params == tovel::HelpPagePath(path));
    FUZZ_CHECK(tovel::IntroLaunch(path).params == path + "Tovel.txt");
    // The browser gets a URL that no program reads as an option; a file URL
    // holds printable ASCII only.
    const std::string page = tovel::HelpPagePath(path);
    const std::string url = tovel::PageUrl(page);
    FUZZ_CHECK(!url.empty() && url[0] != '-');
    if (url != page)
        FUZZ_CHECK(tovel::StartsWith(url, "file:///")
                   && std::all_of(url.begin(), url.end(), [](char c) { return c > 0x20 && c < 0x7F; }));
    FUZZ_CHECK(tovel::IsIntroMode(path) == tovel::EqualsNoCase(path, "yes"));
    FUZZ_CHECK(tovel::IntroRadioFromSetting(tovel::IntroSettingFromRadio(static_cast<int>(bits) - 128))
               == (bits == 128 ? 0 : 1));

    // Picker starts fit the picker's buffer and come from the path.
    const tovel::PickerStartInfo browser = tovel::BrowserPickerStart(path);
    FUZZ_CHECK(browser.folder.size() <= kMax && browser.presetFile.size() <= kMax);
    FUZZ_CHECK(tovel::StartsWith(path, browser.folder));
    FUZZ_CHECK(!browser.hasPreset || browser.presetFile == path);
    const tovel::PickerStartInfo help = tovel::HelpPickerStart(path);
    FUZZ_CHECK(help.folder.size() <= kMax && help.presetFile.size() <= kMax);
    FUZZ_CHECK(!help.hasPreset || tovel::EndsWith(help.presetFile, "TV_P.html"));
    const std::string folder = tovel::HelpFolderFromPick(path);
    FUZZ_CHECK(tovel::StartsWith(path, folder));
    FUZZ_CHECK(folder == path || tovel::IsPathSep(folder.back()));
    const tovel::PickerStart add = tovel::AddPickerStart(path);
    FUZZ_CHECK(add.folder.size() <= kMax && add.fileName.size() <= kMax);
    FUZZ_CHECK(tovel::StartsWith(path, add.folder));
    if (tovel::LastPathSep(path) >= 0)
        FUZZ_CHECK(add.folder.size() + add.fileName.size() <= kMax);
    FUZZ_CHECK(tovel::AddStartPath("", false, "", path) == path + "LibDev4410.s79");

    // A library path the list accepts is a key name that reads back
    // unchanged, beside whatever else the settings file holds, and goes
    // again when unlisted.
    if (tovel::IsRegistrableLibraryPath(path)) {
        FUZZ_CHECK(tovel::IsValidProfileKey(path));
        const std::string written = tovel::ProfileWriteString(iniText, "Libraries", path, "Yes");
        const auto keys = tovel::ProfileGetKeyNames(written, "Libraries");
        // Listed as written, unless the file held it already in another letter case.
        const auto before = tovel::ProfileGetKeyNames(iniText, "Libraries");
        const bool had = std::any_of(before.begin(), before.end(),
                                     [&](const std::string& k) { return tovel::EqualsNoCase(k, path); });
        FUZZ_CHECK(had || std::find(keys.begin(), keys.end(), path) != keys.end());
        FUZZ_CHECK(tovel::ProfileGetString(written, "Libraries", path, "", 100) == "Yes");
        const std::string removed = tovel::ProfileDeleteKey(written, "Libraries", path);
        FUZZ_CHECK(tovel::ProfileGetString(removed, "Libraries", path, "gone", 100) == "gone");
    }
    return 0;
}
