// What a help request opens: the introductory text in the desktop's text
// viewer, or a help page in the configured browser, or the help program when
// the button finds the page missing. The settings and the file test are passed
// in, so the choice is made here without any window.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tovel {

// What a help request hands to the shell: the file (a program or a document)
// and its parameter text, passed unchanged and unquoted.
struct HelpLaunch {
    std::string file;
    std::string params;
    bool hasParams = false;
    bool operator==(const HelpLaunch&) const = default;
};

// The platform layer maps it to the desktop's text viewer on Linux.
inline constexpr std::string_view kNotepad = "notepad";

// The browser used while none is configured.
std::string_view DefaultBrowser();

// Reads one key of section "Last": (key, default, capacity) -> value.
using LastSettingReader = std::function<std::string(std::string_view key, std::string_view def, size_t capacity)>;

// True when the "Intro" value equals "Yes", ignoring case.
bool IsIntroMode(std::string_view introValue);

// Reads "Intro" (default "Yes", capacity 1000) and tests it.
bool ReadIntroMode(const LastSettingReader& read);

// helpPath + separator + file; no separator is added when helpPath is empty
// or already ends in one.
std::string JoinHelpPath(std::string_view helpPath, std::string_view file);

// True when the text begins with "http://", "https://" or "file://", in any case.
bool IsUrl(std::string_view text);

// The page handed to the browser as a file:// URL, so that no path (one
// beginning with '-', say) can reach the browser as an option. A relative
// path is taken from the current folder; bytes outside the URL's plain
// characters are percent-encoded. A text that already is an http, https or
// file URL is returned unchanged.
std::string PageUrl(std::string_view pagePath);

// The main help page below the help path: "tovel/TV_P.html".
std::string HelpPagePath(std::string_view helpPath);

// Intro mode: the text viewer on appDir + "Tovel.txt" (appDir ends in a separator).
HelpLaunch IntroLaunch(std::string_view appDir);

// The F1=Help button outside intro mode: the browser on the main page when
// it exists, else the help program "TovelHelp.exe" when that exists, else the
// browser on the missing page. appDir is not consulted: the caller already
// read "Url" with the application directory as its default.
HelpLaunch PlanHelpButton(std::string_view appDir, std::string_view browser, std::string_view helpPath,
                          const std::function<bool(const std::string&)>& fileExists);

// The F1 key outside intro mode: always the browser on the main page; no file
// is tested and the help program is never started.
HelpLaunch PlanHelpKey(std::string_view appDir, std::string_view browser, std::string_view helpPath);

// F1 in the Setup dialog outside intro mode: the browser on "TVS_B.html",
// taken straight from the help path.
HelpLaunch PlanSetupHelp(std::string_view browser, std::string_view helpPath);

// "Tovel could not open the help page PARAMS with PROGRAM." (or "could not
// start the help program PROGRAM." without a page), and where to choose
// another browser.
std::string HelpLaunchFailedMessage(std::string_view program, std::string_view params);

// "The introduction PATH cannot be read."
std::string IntroUnreadableMessage(std::string_view path);

} // namespace tovel
