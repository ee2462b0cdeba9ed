// The window program's command line and the place its window opens at.
#include "app/CommandLine.h"
#include "app/WindowPlacement.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tovel {
namespace {

using Action = ProgramArguments::Action;

TEST(ProgramArgumentsTest, FilesOptionsAndMistakes)
{
    EXPECT_EQ(ParseProgramArguments({}).action, Action::Run);
    EXPECT_EQ(ParseProgramArguments({"a.s79", "--help", "-x"}).action, Action::Help);
    EXPECT_EQ(ParseProgramArguments({"-h"}).action, Action::Help);
    EXPECT_EQ(ParseProgramArguments({"--version"}).action, Action::Version);

    const ProgramArguments files = ParseProgramArguments({"a.s79", "./b.h", "--", "--help"});
    EXPECT_EQ(files.action, Action::Run);
    const std::string here = std::filesystem::current_path().string();
    ASSERT_EQ(files.files.size(), 3u);
    EXPECT_EQ(files.files[0], (std::filesystem::path(here) / "a.s79").string());
    EXPECT_EQ(files.files[1], (std::filesystem::path(here) / "b.h").string());
    EXPECT_EQ(files.files[2], (std::filesystem::path(here) / "--help").string());

    const ProgramArguments bad = ParseProgramArguments({"a.s79", "--colour", "-q"});
    EXPECT_EQ(bad.action, Action::Error);
    EXPECT_EQ(bad.badOption, "--colour");
    EXPECT_TRUE(bad.files.empty());
    EXPECT_EQ(ProgramArgumentError(bad.error), "Tovel: unknown option '--colour'\nTry 'Tovel --help'.\n");
    EXPECT_EQ(ProgramUsage().rfind("Usage: Tovel [FILE...]\n", 0), 0u);
}

TEST(WindowPlacementTest, SavedPlaceComesBackOntoAScreenThatExists)
{
    testsupport::TempFolder dir;
    SettingsFile settings(dir.Dir() + "Tovel.ini");
    EXPECT_FALSE(ReadSavedWindow(settings).valid);
    SavedWindow place{true, {-30, 2000, 800, 600}, true, "HDMI-1"};
    ASSERT_TRUE(WriteSavedWindow(settings, place));
    const SavedWindow back = ReadSavedWindow(settings);
    EXPECT_TRUE(back.valid);
    EXPECT_EQ(back.box, place.box);
    EXPECT_TRUE(back.maximized);
    EXPECT_EQ(back.screen, "HDMI-1");
    // Nothing changed: the file is left alone.
    const std::string before = testsupport::ReadFileBytes(settings.Path());
    ASSERT_TRUE(WriteSavedWindow(settings, place));
    EXPECT_EQ(testsupport::ReadFileBytes(settings.Path()), before);
    // A number that is not one makes the place unknown.
    ASSERT_TRUE(settings.Write(setting::kWindowWidth, "80O"));
    EXPECT_FALSE(ReadSavedWindow(settings).valid);

    const std::vector<ScreenArea> screens = {{"eDP-1", {0, 0, 1920, 1080}}, {"HDMI-1", {1920, 0, 1280, 1024}}};
    EXPECT_EQ(ChooseScreen(screens, place), 1);
    place.screen = "DP-9"; // gone: the screen holding its middle, else the first
    place.box = {2000, 100, 400, 300};
    EXPECT_EQ(ChooseScreen(screens, place), 1);
    place.box = {-5000, 100, 400, 300};
    EXPECT_EQ(ChooseScreen(screens, place), 0);
    EXPECT_EQ(ChooseScreen({}, place), -1);

    const WindowBox area{1920, 0, 1280, 1024};
    EXPECT_EQ(FitToArea({-30, 2000, 800, 600}, area, 558, 424), (WindowBox{1920, 424, 800, 600}));
    EXPECT_EQ(FitToArea({2000, 10, 5000, 100}, area, 558, 424), (WindowBox{1920, 10, 1280, 424}));
    const WindowBox inside{2000, 100, 600, 450};
    EXPECT_EQ(FitToArea(inside, area, 558, 424), inside);
}

TEST(WindowPlacementTest, WindowsOpenTogetherNeverShareAPlace)
{
    const WindowBox area{0, 0, 1024, 768};
    const WindowBox box{100, 100, 558, 424};
    EXPECT_EQ(Cascade(box, 0, area), box);
    EXPECT_EQ(Cascade(box, 1, area), (WindowBox{100 + kCascadeStep, 100 + kCascadeStep, 558, 424}));
    // Many windows go round within the area and never leave it.
    for (int slot = 1; slot < 40; ++slot) {
        const WindowBox at = Cascade(box, slot, area);
        EXPECT_FALSE(at.x == Cascade(box, slot - 1, area).x && at.y == Cascade(box, slot - 1, area).y) << slot;
        EXPECT_GE(at.x, 0);
        EXPECT_LE(at.x + at.width, 1024) << slot;
        EXPECT_LE(at.y + at.height, 768) << slot;
    }
}

} // namespace
} // namespace tovel
