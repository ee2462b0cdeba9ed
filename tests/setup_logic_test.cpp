#include "help/SetupLogic.h"

#include "common/ByteText.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace tovel {
namespace {

// Paths in the tables use '/'; NativePath turns them into the platform's form.
using testsupport::NativePath;

const std::string kSep(1, kPathSep);

TEST(SetupLogicTest, IntroRadioFollowsTheSetting)
{
    struct Row {
        const char* setting;
        int radio;
    };
    const Row rows[] = {
        // The dialog reads "Intro" with the default "Yes": a missing key
        // arrives here as "Yes" and selects "&Intro", matching the help commands.
        {"Yes", 0}, {"yes", 0}, {"YES", 0}, {"No", 1}, {"", 1}, {"Y", 1}, {"Yes ", 1}, {"maybe", 1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IntroRadioFromSetting(row.setting), row.radio) << '"' << row.setting << '"';
}

TEST(SetupLogicTest, IntroSettingFromRadioAndBack)
{
    EXPECT_EQ(IntroSettingFromRadio(0), "Yes");
    EXPECT_EQ(IntroSettingFromRadio(1), "No");
    EXPECT_EQ(IntroSettingFromRadio(-1), "No");
    EXPECT_EQ(IntroSettingFromRadio(2), "No");
    for (int radio : {0, 1})
        EXPECT_EQ(IntroRadioFromSetting(IntroSettingFromRadio(radio)), radio);
}

TEST(SetupLogicTest, EnsureTrailingSeparator)
{
    struct Row {
        std::string in;
        std::string out;
    };
    const Row rows[] = {
        {"", "/"},
        {"/", "/"},
        {"/d/help", "/d/help/"},
        {"/d/help/", "/d/help/"},
        {"rel", "rel/"},
        {"/d/caf\xE9", "/d/caf\xE9/"},
        {"/d/my help", "/d/my help/"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(EnsureTrailingBackslash(NativePath(row.in)), NativePath(row.out)) << row.in;
}

TEST(SetupLogicTest, HelpPathIsSavedFromTheProgramsFolder)
{
    const std::string app = NativePath("/app/");
    EXPECT_EQ(AbsoluteHelpPath(app, NativePath("help/")), NativePath("/app/help/"));
    EXPECT_EQ(AbsoluteHelpPath(app, ""), app);
    EXPECT_EQ(AbsoluteHelpPath(app, NativePath("/srv/help/")), NativePath("/srv/help/"));
    for (const char* url : {"http://host/help/", "HTTPS://host/help/", "file:///srv/help/"})
        EXPECT_EQ(AbsoluteHelpPath(app, url), url);
}

struct PickerRow {
    std::string path;
    std::string folder;
    bool hasPreset;
    std::string preset;
};

void ExpectPicker(const PickerStartInfo& got, const PickerRow& row)
{
    EXPECT_EQ(got.folder, NativePath(row.folder)) << row.path;
    EXPECT_EQ(got.hasPreset, row.hasPreset) << row.path;
    EXPECT_EQ(got.presetFile, NativePath(row.preset)) << row.path;
}

TEST(SetupLogicTest, BrowserPickerStartsInTheBrowsersFolder)
{
    const PickerRow rows[] = {
        {"xdg-open", "", true, "xdg-open"},
        {"", "", false, ""},
        {"/usr/bin/firefox", "/usr/bin/", true, "/usr/bin/firefox"},
        {"/opt/browser/", "/opt/browser/", false, ""},
        {"/", "/", false, ""},
        {"//srv/share/browser", "//srv/share/", true, "//srv/share/browser"},
        {"/opt/my apps/web view", "/opt/my apps/", true, "/opt/my apps/web view"},
    };
    for (const PickerRow& row : rows)
        ExpectPicker(BrowserPickerStart(NativePath(row.path)), row);
}

TEST(SetupLogicTest, BrowserPickerNeverExceedsTheLimit)
{
    const size_t max = kPickerPathLimit - 1;
    const std::string folder = NativePath("/opt/browsers/");

    // A path that just fits is used whole.
    const std::string fits = folder + std::string(max - folder.size(), 'b');
    PickerStartInfo info = BrowserPickerStart(fits);
    EXPECT_TRUE(info.hasPreset);
    EXPECT_EQ(info.presetFile, fits);
    EXPECT_EQ(info.folder, folder);

    // One byte more: the file name is dropped, the folder stays.
    info = BrowserPickerStart(fits + "b");
    EXPECT_FALSE(info.hasPreset);
    EXPECT_EQ(info.presetFile, "");
    EXPECT_EQ(info.folder, folder);

    // A folder that is itself too long falls back to the longest parent that fits.
    const std::string parent = NativePath("/opt/") + std::string(max - 10, 'p') + kSep;
    info = BrowserPickerStart(parent + std::string(50, 'd') + kSep + "browser");
    EXPECT_FALSE(info.hasPreset);
    EXPECT_EQ(info.folder, parent);

    // No parent fits at all: no folder.
    info = BrowserPickerStart(kSep + std::string(5000, 'd') + kSep + "browser");
    EXPECT_FALSE(info.hasPreset);
    EXPECT_EQ(info.folder, kSep);
    info = BrowserPickerStart(std::string(5000, 'x'));
    EXPECT_FALSE(info.hasPreset);
    EXPECT_EQ(info.folder, "");
}

TEST(SetupLogicTest, HelpPickerStartsInTheHelpPathOrTheRoot)
{
#ifdef _WIN32
    const PickerRow rows[] = {
        {"", "C:/", false, ""},
        {"h", "C:/", false, ""},
        {"//srv/share/help/", "C:/", false, ""},
        {"D:/docs/help/", "D:/docs/help/", false, ""},
        {"D:/docs/help", "D:/docs/help", true, "D:/docs/help/TV_P.html"},
    };
#else
    const PickerRow rows[] = {
        {"", "/", false, ""},
        {"help/", "/", false, ""},
        {"~/help/", "/", false, ""},
        {"/", "/", false, ""},
        {"/docs/help/", "/docs/help/", false, ""},
        {"/docs/help", "/docs/help", true, "/docs/help/TV_P.html"},
        {"//srv/share/help", "//srv/share/help", true, "//srv/share/help/TV_P.html"},
    };
#endif
    for (const PickerRow& row : rows)
        ExpectPicker(HelpPickerStart(NativePath(row.path)), row);
}

TEST(SetupLogicTest, HelpPickerNeverExceedsTheLimit)
{
    const size_t max = kPickerPathLimit - 1;
#ifdef _WIN32
    const std::string root = "D:\\";
#else
    const std::string root = "/";
#endif
    // A help path that fits, but not with the page name after it: no preset.
    const std::string parent = root + "docs" + kSep;
    const std::string nearly = parent + std::string(max - parent.size() - 3, 'h');
    PickerStartInfo info = HelpPickerStart(nearly);
    EXPECT_EQ(info.folder, nearly);
    EXPECT_FALSE(info.hasPreset);

    // A help path that is too long opens in its longest parent that fits.
    info = HelpPickerStart(parent + std::string(5000, 'h') + kSep);
    EXPECT_EQ(info.folder, parent);
    EXPECT_FALSE(info.hasPreset);
    info = HelpPickerStart(parent + std::string(5000, 'h'));
    EXPECT_EQ(info.folder, parent);
    EXPECT_FALSE(info.hasPreset);
}

TEST(SetupLogicTest, HelpFolderIsTheFolderOfThePick)
{
    struct Row {
        std::string picked;
        std::string folder;
    };
    const Row rows[] = {
        {"/docs/help/tovel/TV_P.html", "/docs/help/tovel/"},
        {"/docs/help/TVS_B.html", "/docs/help/"},
        {"/x.html", "/"},
        {"//srv/share/help/x.html", "//srv/share/help/"},
        {"x.html", "x.html"},
        {"", ""},
        {"/docs/help/", "/docs/help/"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(HelpFolderFromPick(NativePath(row.picked)), NativePath(row.folder)) << row.picked;
}

} // namespace
} // namespace tovel
