#include "help/HelpLaunch.h"

#include "app/SettingsKeys.h"
#include "common/ByteText.h"

#include <filesystem>
#include <system_error>
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

bool IsUrl(std::string_view text)
{
    for (std::string_view scheme : {"http://", "https://", "file://"})
        if (EqualsNoCase(text.substr(0, scheme.size()), scheme))
            return true;
    return false;
}

std::string PageUrl(std::string_view pagePath)
{
    if (IsUrl(pagePath))
        return std::string(pagePath);
    std::string path(pagePath);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
    if (!error)
        path = absolute.string();
    std::string url = "file://";
    if (path.empty() || !IsPathSep(path.front()))
        url.push_back('/'); // a drive letter: file:///C:/...
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char c : path) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
        if (IsPathSep(c))
            url.push_back('/');
        else if (plain)
            url.push_back(c);
        else {
            url.push_back('%');
            url.push_back(kHex[b >> 4]);
            url.push_back(kHex[b & 0xF]);
        }
    }
    return url;
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

std::string HelpLaunchFailedMessage(std::string_view program, std::string_view params)
{
    std::string text;
    if (params.empty()) {
        text = "Tovel could not start the help program\n";
        text.append(program);
    } else {
        text = "Tovel could not open the help page\n";
        text.append(params);
        text += "\nwith ";
        text.append(program);
    }
    text += ".\nA browser can be chosen in Setup.";
    return text;
}

std::string IntroUnreadableMessage(std::string_view path)
{
    std::string text = "The introduction ";
    text.append(path);
    text += " cannot be read.";
    return text;
}

} // namespace tovel
