#include "library/LibraryList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tovel::AddPickerStart;
using tovel::AddStartPath;
using tovel::IsRegistrableLibraryPath;
using tovel::kPickerPathLimit;

TEST(LibraryListTest, AddStartPathPrefersSelectionThenLastThenDefault)
{
    EXPECT_EQ(AddStartPath("/lib/a.s79", true, "/lib/b.s79", "/app/"), "/lib/a.s79");
    EXPECT_EQ(AddStartPath("", false, "/lib/b.s79", "/app/"), "/lib/b.s79");
    EXPECT_EQ(AddStartPath("", false, "", "/app/"), "/app/LibDev4410.s79");
    // A selected item is used even when its text is empty.
    EXPECT_EQ(AddStartPath("", true, "/lib/b.s79", "/app/"), "");
}

TEST(LibraryListTest, PickerStartSplitsFolderAndName)
{
    struct Row {
        std::string start;
        std::string folder;
        std::string fileName;
    };
    const Row rows[] = {
        {"/app/LibDev4410.s79", "/app/", "LibDev4410.s79"},
        {"/lib/", "/lib/", ""},
        {"/x.s79", "/", "x.s79"},
        {"lib/x.s79", "lib/", "x.s79"},
        {"x.s79", "x.s79", "x.s79"},
        {"", "", ""},
    };
    for (const auto& row : rows) {
        const auto start = AddPickerStart(row.start);
        EXPECT_EQ(start.folder, row.folder) << row.start;
        EXPECT_EQ(start.fileName, row.fileName) << row.start;
    }
}

TEST(LibraryListTest, PickerStartNeverExceedsTheLimit)
{
    constexpr size_t kMax = kPickerPathLimit - 1;
    const std::string folder = "/" + std::string(kMax - 20, 'd') + "/";

    // Exactly at the limit: kept whole.
    const std::string fits = folder + std::string(kMax - folder.size(), 'n');
    auto start = AddPickerStart(fits);
    EXPECT_EQ(start.folder + start.fileName, fits);

    // One byte more: the file name goes, the folder stays.
    start = AddPickerStart(fits + "x");
    EXPECT_EQ(start.folder, folder);
    EXPECT_EQ(start.fileName, "");

    // A folder that is itself too long is cut back to a parent that fits.
    const std::string deep = folder + std::string(100, 'e') + "/lib.s79";
    start = AddPickerStart(deep);
    EXPECT_EQ(start.folder, folder);
    EXPECT_EQ(start.fileName, "");

    // Nothing fits: no start at all rather than a broken path.
    start = AddPickerStart("/" + std::string(kMax + 5, 'z') + "/lib.s79");
    EXPECT_EQ(start.folder, "/");
    start = AddPickerStart(std::string(kMax + 1, 'z'));
    EXPECT_EQ(start.folder, "");
    EXPECT_EQ(start.fileName, "");
}

TEST(LibraryListTest, RegistrablePaths)
{
    struct Row {
        std::string path;
        bool ok;
    };
    const Row rows[] = {
        {"/lib/ports.s79", true},     {"/my libs/ports [v2].h", true},
        {"/lib/\xE9t\xE9.s79", true}, {"", false},
        {"/lib/a=b.s79", false},      {"/lib/a\rb.s79", false},
        {"/lib/a\nb.s79", false},     {std::string("/lib/a\0b.s79", 12), false},
        {";lib.s79", false},          {"[lib].s79", false},
        {" /lib/a.s79", false},       {"/lib/a.s79\t", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(IsRegistrableLibraryPath(row.path), row.ok) << row.path;
}

} // namespace

TEST(LibraryListTest, MissingLibrariesShareOneMessage)
{
    EXPECT_EQ(tovel::MissingLibrariesMessage({"/l/a.s79"}), tovel::MissingLibraryMessage("/l/a.s79"));
    std::vector<std::string> gone;
    for (int i = 0; i < 100000; ++i)
        gone.push_back("/l/" + std::to_string(i) + ".s79");
    const std::string text = tovel::MissingLibrariesMessage(gone);
    EXPECT_NE(text.find("/l/4.s79"), std::string::npos);
    EXPECT_EQ(text.find("/l/5.s79"), std::string::npos);
    EXPECT_NE(text.find("and 99995 more"), std::string::npos);
}
