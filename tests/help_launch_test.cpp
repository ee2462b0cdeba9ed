#include "help/HelpLaunch.h"

#include "common/ByteText.h"
#include "library/LineReader.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace tovel {
namespace {

// Paths in the tables use '/'; NativePath turns them into the platform's form.
using testsupport::NativePath;

TEST(HelpLaunchTest, IntroModeIsYesInAnyCase)
{
    struct Row {
        const char* value;
        bool intro;
    };
    const Row rows[] = {
        {"Yes", true}, {"yes", true},   {"YES", true},   {"yEs", true},   {"No", false},    {"", false},
        {"Y", false},  {"Yes ", false}, {" Yes", false}, {"Yess", false}, {"Yes\n", false}, {"Y\xC9S", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsIntroMode(row.value), row.intro) << '"' << row.value << '"';
}

// A section "Last" held in memory that answers like the settings file:
// the default for a missing key, values cut to capacity - 1.
struct FakeLast {
    std::map<std::string, std::string> values;
    std::vector<std::string> asked;
    LastSettingReader Reader()
    {
        return [this](std::string_view key, std::string_view def, size_t capacity) {
            asked.push_back(std::string(key) + "|" + std::string(def) + "|" + std::to_string(capacity));
            auto it = values.find(std::string(key));
            std::string value = it == values.end() ? std::string(def) : it->second;
            if (value.size() > capacity - 1)
                value.resize(capacity - 1);
            return value;
        };
    }
};

TEST(HelpLaunchTest, ReadIntroModeReadsIntroWithDefaultYes)
{
    FakeLast missing;
    EXPECT_TRUE(ReadIntroMode(missing.Reader()));
    EXPECT_EQ(missing.asked, std::vector<std::string>{"Intro|Yes|1000"});

    FakeLast no;
    no.values["Intro"] = "No";
    EXPECT_FALSE(ReadIntroMode(no.Reader()));

    FakeLast empty;
    empty.values["Intro"] = "";
    EXPECT_FALSE(ReadIntroMode(empty.Reader()));

    FakeLast upper;
    upper.values["Intro"] = "YES";
    EXPECT_TRUE(ReadIntroMode(upper.Reader()));
}

TEST(HelpLaunchTest, JoinHelpPathAddsOneSeparatorOnlyWhenNeeded)
{
    struct Row {
        std::string helpPath;
        std::string file;
        std::string joined;
    };
    const Row rows[] = {
        {"", "TVS_B.html", "TVS_B.html"},
        {"/opt/help/", "TVS_B.html", "/opt/help/TVS_B.html"},
        {"/opt/help", "TVS_B.html", "/opt/help/TVS_B.html"},
        {"/", "TovelHelp.exe", "/TovelHelp.exe"},
        {"rel", "x", "rel/x"},
        {"/d\xE9j\xE0", "x", "/d\xE9j\xE0/x"},
        {"/opt/my help", "TVS_B.html", "/opt/my help/TVS_B.html"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(JoinHelpPath(NativePath(row.helpPath), row.file), NativePath(row.joined)) << row.helpPath;
}

TEST(HelpLaunchTest, HelpPagePathLiesBelowTovelFolder)
{
    EXPECT_EQ(HelpPagePath(""), NativePath("tovel/TV_P.html"));
    EXPECT_EQ(HelpPagePath(NativePath("/opt/help/")), NativePath("/opt/help/tovel/TV_P.html"));
    EXPECT_EQ(HelpPagePath(NativePath("/opt/help")), NativePath("/opt/help/tovel/TV_P.html"));
}

TEST(HelpLaunchTest, IntroLaunchOpensTovelTxtUnquoted)
{
    EXPECT_EQ(IntroLaunch(NativePath("/opt/my tools/tovel/")),
              (HelpLaunch{"notepad", NativePath("/opt/my tools/tovel/Tovel.txt"), true}));
}

TEST(HelpLaunchTest, HelpButtonPrefersPageThenHelpProgramThenMissingPage)
{
    const std::string browser = "/usr/bin/browser";
    const std::string page = NativePath("/h/tovel/TV_P.html");
    const std::string program = NativePath("/h/TovelHelp.exe");
    const HelpLaunch onPage{browser, page, true};
    const HelpLaunch onProgram{program, "", false};

    struct Row {
        const char* what;
        std::set<std::string> existing;
        HelpLaunch expected;
    };
    const Row rows[] = {
        {"page present", {page}, onPage},
        {"page and program present", {page, program}, onPage},
        {"only the program", {program}, onProgram},
        {"nothing present", {}, onPage},
    };
    for (const Row& row : rows) {
        for (const char* helpPath : {"/h/", "/h"}) {
            std::vector<std::string> tested;
            auto exists = [&](const std::string& path) {
                tested.push_back(path);
                return row.existing.count(path) > 0;
            };
            EXPECT_EQ(PlanHelpButton(NativePath("/app/"), browser, NativePath(helpPath), exists), row.expected)
                << row.what << " with " << helpPath;
            ASSERT_FALSE(tested.empty());
            EXPECT_EQ(tested.front(), page);
            for (const std::string& path : tested)
                EXPECT_TRUE(path == page || path == program) << path;
        }
    }
}

TEST(HelpLaunchTest, HelpButtonWithEmptyHelpPathUsesRelativeNames)
{
    std::vector<std::string> tested;
    auto none = [&](const std::string& path) {
        tested.push_back(path);
        return false;
    };
    EXPECT_EQ(PlanHelpButton(NativePath("/app/"), "xdg-open", "", none),
              (HelpLaunch{"xdg-open", NativePath("tovel/TV_P.html"), true}));
    EXPECT_EQ(tested, (std::vector<std::string>{NativePath("tovel/TV_P.html"), "TovelHelp.exe"}));
}

TEST(HelpLaunchTest, HelpKeyAndSetupHelpAlwaysOpenTheBrowser)
{
    EXPECT_EQ(PlanHelpKey(NativePath("/app/"), "xdg-open", NativePath("/h")),
              (HelpLaunch{"xdg-open", NativePath("/h/tovel/TV_P.html"), true}));
    EXPECT_EQ(PlanHelpKey(NativePath("/app/"), "xdg-open", NativePath("/app/")),
              (HelpLaunch{"xdg-open", NativePath("/app/tovel/TV_P.html"), true}));
    EXPECT_EQ(PlanSetupHelp("/usr/bin/b", NativePath("/h")),
              (HelpLaunch{"/usr/bin/b", NativePath("/h/TVS_B.html"), true}));
    EXPECT_EQ(PlanSetupHelp("/usr/bin/b", NativePath("/h/")),
              (HelpLaunch{"/usr/bin/b", NativePath("/h/TVS_B.html"), true}));
    EXPECT_EQ(PlanSetupHelp("/usr/bin/b", ""), (HelpLaunch{"/usr/bin/b", "TVS_B.html", true}));
}

// ---- The companion files that ship beside the program ----

using testsupport::ReadFileBytes;

const std::string kCompanion = std::string(TOVEL_COMPANION_DIR) + "/";

TEST(CompanionFilesTest, HelpButtonFindsTheShippedPage)
{
    const HelpLaunch launch = PlanHelpButton(kCompanion, "xdg-open", kCompanion,
                                             [](const std::string& path) { return CanOpenForReading(path); });
    EXPECT_EQ(launch, (HelpLaunch{"xdg-open", HelpPagePath(kCompanion), true}));
    EXPECT_TRUE(CanOpenForReading(JoinHelpPath(kCompanion, "TVS_B.html")));
    EXPECT_TRUE(CanOpenForReading(IntroLaunch(kCompanion).params));
}

TEST(CompanionFilesTest, IntroTextIsPlainAndNarrow)
{
    const std::string text = ReadFileBytes(kCompanion + "Tovel.txt");
    ASSERT_FALSE(text.empty());
    std::istringstream in(text);
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        EXPECT_LT(line.size(), 80u) << "line " << lines;
        EXPECT_EQ(line.find('\t'), std::string::npos) << "line " << lines;
        for (char c : line)
            EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << "line " << lines;
    }
    EXPECT_GE(lines, 60);
    EXPECT_LE(lines, 100);
    // It tells the reader how to reach the detailed help.
    EXPECT_NE(text.find("Details"), std::string::npos);
    EXPECT_NE(text.find("Setup"), std::string::npos);
}

// Every value of attr="..." in the page, in order.
std::vector<std::string> AttributeValues(const std::string& html, const std::string& attr)
{
    std::vector<std::string> values;
    const std::string open = " " + attr + "=\"";
    for (int at = Find(html, open); at >= 0; at = Find(html, open, at + 1)) {
        const int start = at + static_cast<int>(open.size());
        const int end = Find(html, '"', start);
        if (end < 0)
            break;
        values.push_back(Mid(html, start, end - start));
    }
    return values;
}

// Every page is self-contained: no scripts, nothing fetched from elsewhere,
// and every link points at a shipped file or an anchor on the target page.
TEST(CompanionFilesTest, HelpPagesAreSelfContainedAndLinksResolve)
{
    const std::string pages[] = {"tovel/TV_P.html", "TVS_B.html"};
    for (const std::string& page : pages) {
        const std::string html = ReadFileBytes(kCompanion + page);
        ASSERT_FALSE(html.empty()) << page;
        EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u) << page;
        EXPECT_NE(html.find("<title>"), std::string::npos) << page;
        EXPECT_NE(html.find("</html>"), std::string::npos) << page;
        for (const char* banned : {"<script", "http:", "https:", "src=", "@import", "url("})
            EXPECT_EQ(html.find(banned), std::string::npos) << page << " holds " << banned;

        const std::string dir = kCompanion + Left(page, LastPathSep(page) + 1);
        const std::vector<std::string> targets = AttributeValues(html, "href");
        EXPECT_FALSE(targets.empty()) << page;
        for (const std::string& target : targets) {
            const int hash = Find(target, '#');
            const std::string file = hash < 0 ? target : Left(target, hash);
            const std::string anchor = hash < 0 ? "" : Mid(target, hash + 1);
            const std::string linked = file.empty() ? html : ReadFileBytes(dir + file);
            ASSERT_FALSE(linked.empty()) << page << " links to missing " << target;
            if (anchor.empty())
                continue;
            const std::vector<std::string> ids = AttributeValues(linked, "id");
            EXPECT_NE(std::find(ids.begin(), ids.end(), anchor), ids.end())
                << page << " links to missing anchor " << target;
        }
    }
}

TEST(HelpLaunch, PagesReachTheBrowserAsFileUrls)
{
#ifndef _WIN32
    EXPECT_EQ(PageUrl("/opt/my help/tovel/TV_P.html"), "file:///opt/my%20help/tovel/TV_P.html");
    EXPECT_EQ(PageUrl("/h/a#b?c%\xF6.html"), "file:///h/a%23b%3Fc%25%F6.html");
    // A help path that looks like an option becomes part of an absolute URL.
    const std::string relative = PageUrl("-x/tovel/TV_P.html");
    EXPECT_EQ(relative.rfind("file:///", 0), 0u) << relative;
    EXPECT_TRUE(EndsWith(relative, "/-x/tovel/TV_P.html")) << relative;
#endif
    EXPECT_EQ(PageUrl("https://example.org/help/TVS_B.html"), "https://example.org/help/TVS_B.html");
}

} // namespace
} // namespace tovel
