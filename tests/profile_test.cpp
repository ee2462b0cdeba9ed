#include "app/Profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tovel;
using namespace std::string_literals;

namespace {

struct ReadCase {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    const char* def;
    size_t capacity;
    std::string expected;
};

TEST(ProfileGetString, ReadsValuesByTheFileRules)
{
    const ReadCase cases[] = {
        {"names ignore case", "[Last]\r\nIntro=No\r\n", "LAST", "intro", "d", 100, "No"},
        {"blanks trimmed", "  [ Last ]  \r\n \t Intro \t=  No thanks \t\r\n", "Last", "Intro", "d", 100, "No thanks"},
        {"asked names trimmed", "[Last]\r\nIntro=No\r\n", " Last ", "\tIntro ", "d", 100, "No"},
        {"double quotes", "[S]\r\nk=\" a b \"\r\n", "S", "k", "d", 100, " a b "},
        {"single quotes", "[S]\r\nk='x'\r\n", "S", "k", "d", 100, "x"},
        {"one pair only", "[S]\r\nk=\"\"x\"\"\r\n", "S", "k", "d", 100, "\"x\""},
        {"mismatched quotes kept", "[S]\r\nk=\"x'\r\n", "S", "k", "d", 100, "\"x'"},
        {"lone quote kept", "[S]\r\nk=\"\r\n", "S", "k", "d", 100, "\""},
        {"empty quotes", "[S]\r\nk=''\r\n", "S", "k", "d", 100, ""},
        {"empty value is not the default", "[S]\r\nk=\r\n", "S", "k", "d", 100, ""},
        {"missing key", "[S]\r\nj=1\r\n", "S", "k", "dflt", 100, "dflt"},
        {"missing section", "[T]\r\nk=1\r\n", "S", "k", "dflt", 100, "dflt"},
        {"empty text", "", "S", "k", "dflt", 100, "dflt"},
        {"keys before any header", "k=1\r\n[S]\r\n", "S", "k", "dflt", 100, "dflt"},
        {"section ends at next header", "[S]\r\n[T]\r\nk=1\r\n", "S", "k", "dflt", 100, "dflt"},
        {"first equal key wins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "d", 100, "1"},
        {"only first equal section searched", "[S]\r\nj=1\r\n[s]\r\nk=2\r\n", "S", "k", "dflt", 100, "dflt"},
        {"comment is no key", "[S]\r\n  ;k=1\r\n", "S", "k", "dflt", 100, "dflt"},
        {"semicolon inside value", "[S]\r\nk=a;b\r\n", "S", "k", "d", 100, "a;b"},
        {"hash is ordinary", "[S]\r\n#k=1\r\n", "S", "#k", "d", 100, "1"},
        {"equals inside value", "[S]\r\nk=a=b\r\n", "S", "k", "d", 100, "a=b"},
        {"line without equals", "[S]\r\nk\r\nk=2\r\n", "S", "k", "d", 100, "2"},
        {"text after header", "[S] ; note\r\nk=1\r\n", "S", "k", "d", 100, "1"},
        {"bracket line without close opens a section", "[S]\r\n[oops\r\nk=1\r\n", "S", "k", "d", 100, "d"},
        {"named by the rest of the line", "[S]\r\n[ T \r\nk=1\r\n", "t", "k", "d", 100, "1"},
        {"default loses trailing blanks only", "", "S", "k", " none \t ", 100, " none"},
        {"LF only", "[S]\nj=0\nk=1\n", "S", "k", "d", 100, "1"},
        {"CR only", "[S]\rj=0\rk=1\r", "S", "k", "d", 100, "1"},
        {"mixed ends", "[S]\r\rj=0\n\r\nk=1", "S", "k", "d", 100, "1"},
        {"value ends at NUL", "[S]\r\nk=N\0o\r\n"s, "S", "k", "d", 100, "N"},
        {"high bytes pass", "[S]\r\nk=C:\xe9\xff\x80\r\n", "S", "k", "d", 100, "C:\xe9\xff\x80"},
        {"value cut to capacity - 1", "[S]\r\nk=abcdef\r\n", "S", "k", "d", 4, "abc"},
        {"value fits capacity", "[S]\r\nk=abc\r\n", "S", "k", "d", 4, "abc"},
        {"default cut too", "", "S", "k", "default", 3, "de"},
        {"capacity 1", "[S]\r\nk=abc\r\n", "S", "k", "d", 1, ""},
        {"capacity 0", "[S]\r\nk=abc\r\n", "S", "k", "d", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProfileGetString(c.text, c.section, c.key, c.def, c.capacity), c.expected) << c.what;
}

TEST(ProfileGetKeyNames, ListsKeysInFileOrderWithDuplicates)
{
    const std::string text =
        "x=0\r\n[Libraries]\r\n  /b/lib.s79  =Yes\r\n;/c=Yes\r\nA=Yes\r\nnot a key\r\n=orphan\r\na=again\r\n"
        "[Other]\r\nZ=1\r\n[libraries]\r\nlate=Yes\r\n";
    EXPECT_EQ(ProfileGetKeyNames(text, "LIBRARIES"), (std::vector<std::string>{"/b/lib.s79", "A", "a"}));
    EXPECT_TRUE(ProfileGetKeyNames(text, "Missing").empty());
    EXPECT_TRUE(ProfileGetKeyNames("", "Libraries").empty());
    EXPECT_TRUE(ProfileGetKeyNames("[Libraries]", "Libraries").empty());
}

struct WriteCase {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    std::string value;
    std::string expected;
};

TEST(ProfileWriteString, PlacesLinesAndKeepsTheRest)
{
    const WriteCase cases[] = {
        {"first write", "", "Last", "AppPath", "/opt/tovel/", "[Last]\r\nAppPath=/opt/tovel/\r\n"},
        {"names trimmed", "", " Last ", " k ", "v", "[Last]\r\nk=v\r\n"},
        {"new section after missing line end", "[A]\r\nk=1", "B", "x", "2", "[A]\r\nk=1\r\n[B]\r\nx=2\r\n"},
        {"new section after LF", "[A]\nk=1\n", "B", "x", "2", "[A]\nk=1\n[B]\r\nx=2\r\n"},
        {"new section after lone CR", "[A]\rk=1\r", "B", "x", "2", "[A]\rk=1\r[B]\r\nx=2\r\n"},
        {"new key after last key line", "[A]\r\nk=1\r\n; note\r\n\r\n[B]\r\nj=0\r\n", "a", "j", "2",
         "[A]\r\nk=1\r\nj=2\r\n; note\r\n\r\n[B]\r\nj=0\r\n"},
        {"new key skips odd lines between keys", "[A]\nk=1\njunk\nm=2\n# x\n", "A", "n", "3",
         "[A]\nk=1\njunk\nm=2\nn=3\r\n# x\n"},
        {"new key right after header", "[A]\r\n; c\r\n[B]", "A", "j", "2", "[A]\r\nj=2\r\n; c\r\n[B]"},
        {"header without line end", "[A]", "A", "j", "2", "[A]\r\nj=2\r\n"},
        {"last key without line end", "[A]\r\nk=1", "A", "j", "2", "[A]\r\nk=1\r\nj=2\r\n"},
        {"CR-only file", "[A]\rk=1\r[B]\r", "A", "j", "2", "[A]\rk=1\rj=2\r\n[B]\r"},
        {"replace keeps spelling and place", "; top\n[A]\n  KeY = old \nz=1\n", "a", "key", "new",
         "; top\n[A]\nKeY=new\r\nz=1\n"},
        {"replace last line without end", "[A]\r\nk=1", "A", "k", "2", "[A]\r\nk=2\r\n"},
        {"replace first of equal keys", "[A]\r\nk=1\r\nk=2\r\n", "A", "K", "9", "[A]\r\nk=9\r\nk=2\r\n"},
        {"only first equal section", "[A]\r\nx=1\r\n[B]\r\n[a]\r\nk=1\r\n", "A", "k", "2",
         "[A]\r\nx=1\r\nk=2\r\n[B]\r\n[a]\r\nk=1\r\n"},
        {"keys before first header are not the section's", "k=1\r\n[A]\r\n", "A", "k", "2", "k=1\r\n[A]\r\nk=2\r\n"},
        {"line breaks removed from value", "", "A", "k", "a\r\nb\rc\nd", "[A]\r\nk=abcd\r\n"},
        {"value cut at NUL", "", "A", "k", "ab\0cd"s, "[A]\r\nk=ab\r\n"},
        {"empty value", "", "A", "k", "", "[A]\r\nk=\r\n"},
        {"high bytes and odd lines kept", "\xff\xfe junk\r[A]\n#\x80=\x81\r\n", "A", "k", "\xe9",
         "\xff\xfe junk\r[A]\n#\x80=\x81\r\nk=\xe9\r\n"},
        {"same value gives same text", "[A]\r\nk=1\r\n", "A", "k", "1", "[A]\r\nk=1\r\n"},
    };
    for (const auto& c : cases) {
        const std::string out = ProfileWriteString(c.text, c.section, c.key, c.value);
        EXPECT_EQ(out, c.expected) << c.what;
    }
}

TEST(ProfileWriteString, WrittenValuesReadBack)
{
    std::string text = "; settings\n[Last]\nIntro=Yes\n";
    text = ProfileWriteString(text, "Libraries", "/lib/a.s79", "Yes");
    text = ProfileWriteString(text, "last", "Library", "/lib/a.s79");
    text = ProfileWriteString(text, "Libraries", "/lib/b.h", "Yes");
    text = ProfileWriteString(text, "LAST", "intro", "No");
    EXPECT_EQ(ProfileGetString(text, "Last", "Intro", "d", 100), "No");
    EXPECT_EQ(ProfileGetString(text, "Last", "Library", "d", 100), "/lib/a.s79");
    EXPECT_EQ(ProfileGetKeyNames(text, "Libraries"), (std::vector<std::string>{"/lib/a.s79", "/lib/b.h"}));
    EXPECT_EQ(text,
              "; settings\n[Last]\nIntro=No\r\nLibrary=/lib/a.s79\r\n[Libraries]\r\n/lib/a.s79=Yes\r\n"
              "/lib/b.h=Yes\r\n");
}

TEST(ProfileWriteString, RefusesNamesThatCouldNotBeReadBack)
{
    struct Refused {
        std::string section;
        std::string key;
    };
    const Refused cases[] = {
        {"S", "a\r\nb"}, {"S", "a\nb"}, {"S", "a\rb"}, {"S", "k=v"},    {"S", ";k"},
        {"S", " [k"},    {"S", ""},     {"S", " \t "}, {"S", "a\0b"s},  {"", "k"},
        {"  ", "k"},     {"a]b", "k"},  {"a\nb", "k"}, {"a\r\nb", "k"}, {"a\0b"s, "k"},
    };
    const std::string text = "; keep\r\n[S]\r\nk=1\r\n";
    for (const auto& c : cases) {
        EXPECT_FALSE(IsValidProfileSection(c.section) && IsValidProfileKey(c.key)) << c.section << "/" << c.key;
        EXPECT_EQ(ProfileWriteString(text, c.section, c.key, "v"), text) << c.section << "/" << c.key;
    }
    EXPECT_TRUE(IsValidProfileKey("/a b/lib;1.s79"));
    EXPECT_TRUE(IsValidProfileSection("[Last"));
}

struct DeleteCase {
    const char* what;
    std::string text;
    const char* section;
    const char* key; // nullptr deletes the section
    std::string expected;
};

TEST(ProfileDelete, RemovesOnlyTheLinesConcerned)
{
    const DeleteCase cases[] = {
        {"key line goes, header stays", "[A]\r\nk=1\r\n", "a", "K", "[A]\r\n"},
        {"neighbours kept", "; c\n[A]\r\nj=0\rk=1\n\nm=2\r\n", "A", "k", "; c\n[A]\r\nj=0\r\nm=2\r\n"},
        {"every copy in the section", "[A]\r\nk=1\r\nj=0\r\nk=2\r\n", "A", "k", "[A]\r\nj=0\r\n"},
        {"other sections untouched", "[A]\r\nj=0\r\n[B]\r\nk=1\r\n", "A", "k", "[A]\r\nj=0\r\n[B]\r\nk=1\r\n"},
        {"later equal section untouched", "[A]\r\nk=1\r\n[a]\r\nk=2\r\n", "A", "k", "[A]\r\n[a]\r\nk=2\r\n"},
        {"last line without end", "[A]\r\nj=0\r\nk=1", "A", "k", "[A]\r\nj=0\r\n"},
        {"missing key", "[A]\r\nj=0", "A", "k", "[A]\r\nj=0"},
        {"comment of same name kept", "[A]\r\n;k=1\r\nk=2\r\n", "A", "k", "[A]\r\n;k=1\r\n"},
        {"section with its lines, its comments kept", "top\r\n[A]\r\nk=1\r\n; c\r\n\r\n[B]\rj=2\r", "a", nullptr,
         "top\r\n; c\r\n[B]\rj=2\r"},
        {"last section without end", "[B]\nj=2\n[A]\nk=1", "A", nullptr, "[B]\nj=2\n"},
        {"every section of the name", "[A]\nk=1\n[B]\nj=2\n[a]\nk=3\n", "A", nullptr, "[B]\nj=2\n"},
        {"missing section", "[B]\nj=2", "A", nullptr, "[B]\nj=2"},
        {"bracket line without close is a section of its own", "[A]\n[x\n[B]\n", "A", nullptr, "[x\n[B]\n"},
    };
    for (const auto& c : cases) {
        const std::string out =
            c.key ? ProfileDeleteKey(c.text, c.section, c.key) : ProfileDeleteSection(c.text, c.section);
        EXPECT_EQ(out, c.expected) << c.what;
    }
}

TEST(ProfileDelete, DeletedNamesReadAsDefault)
{
    const std::string text = "[A]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n";
    EXPECT_EQ(ProfileGetString(ProfileDeleteKey(text, "A", "k"), "A", "k", "gone", 10), "gone");
    EXPECT_EQ(ProfileGetString(ProfileDeleteSection(text, "A"), "A", "k", "gone", 10), "gone");
}

TEST(ProfileWriteString, ManyLinesStayFast)
{
    // A large section written key by key: each write is one pass over the text.
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text = ProfileWriteString(text, "Libraries", "/lib/" + std::to_string(i), "Yes");
    const auto names = ProfileGetKeyNames(text, "Libraries");
    ASSERT_EQ(names.size(), 2000u);
    EXPECT_EQ(names.front(), "/lib/0");
    EXPECT_EQ(names.back(), "/lib/1999");
}

} // namespace
