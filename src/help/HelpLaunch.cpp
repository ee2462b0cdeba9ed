#include "help/HelpLaunch.h"

#include "app/SettingsKeys.h"
#include "common/ByteText.h"

#include <utility>

namespace tovel {

namespace {

#ifdef _WIN32
constexpr std::string_view kHelpPage = "tovel\\TV_P.html";
#else
constexpr std::string_view kHelpPage = "tovel/TV_P.html";
#endif
constexpr std::string_view kHelpProgram = "TovelHelp.exe";
constexpr std::string_view kSetupPage = "TVS_B.html";
constexpr std::string_view kIntroText = "Tovel.txt";

HelpLaunch BrowserOn(std::string_view browser, std::string page)
{
    return HelpLaunch{std::string(browser), std::move(page), true};
}

} // namespace

std::string_view DefaultBrowser()
{
    return setting::kBrowser.def;
}

bool IsIntroMode(std::string_view introValue)
{
    return EqualsNoCase(introValue, "Yes");
}

bool ReadIntroMode(const LastSettingReader& read)
{
    return IsIntroMode(read(setting::kIntro.key, setting::kIntro.def, setting::kIntro.capacity));
}

std::string JoinHelpPath(std::string_view helpPath, std::string_view file)
{
    std::string out;
    out.reserve(helpPath.size() + 1 + file.size());
    out.append(helpPath);
    if (!helpPath.empty() && !IsPathSep(helpPath.back()))
        out.push_back(kPathSep);
    out.append(file);
    return out;
}

std::string HelpPagePath(std::string_view helpPath)
{
    return JoinHelpPath(helpPath, kHelpPage);
}

HelpLaunch IntroLaunch(std::string_view appDir)
{
    std::string text(appDir);
    text.append(kIntroText);
    return HelpLaunch{std::string(kNotepad), std::move(text), true};
}

HelpLaunch PlanHelpButton(std::string_view /*appDir*/, std::string_view browser, std::string_view helpPath,
                          const std::function<bool(const std::string&)>& fileExists)
{
    std::string page = HelpPagePath(helpPath);
    if (fileExists(page))
        return BrowserOn(browser, std::move(page));
    std::string program = JoinHelpPath(helpPath, kHelpProgram);
    if (fileExists(program))
        return HelpLaunch{std::move(program), {}, false};
    // Neither exists: let the browser show whatever it makes of the missing page.
    return BrowserOn(browser, std::move(page));
}

HelpLaunch PlanHelpKey(std::string_view /*appDir*/, std::string_view browser, std::string_view helpPath)
{
    return BrowserOn(browser, HelpPagePath(helpPath));
}

HelpLaunch PlanSetupHelp(std::string_view browser, std::string_view helpPath)
{
    return BrowserOn(browser, JoinHelpPath(helpPath, kSetupPage));
}

} // namespace tovel
