#include "composer/ToolProgram.h"

#include "common/ByteText.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace tovel {

namespace {

struct CodeRange {
    char32_t first;
    char32_t last;
};

// Characters that show as nothing, as a blank or as a line break, or that
// reorder the text around them: with them a name can look like another one,
// or push text of the library's choosing onto lines of their own.
constexpr CodeRange kHiddenCharacters[] = {
    {0x0000, 0x001F},   {0x007F, 0x00A0},   {0x00AD, 0x00AD},    {0x034F, 0x034F},   {0x0600, 0x0605},
    {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},    {0x0890, 0x0891},   {0x08E2, 0x08E2},
    {0x115F, 0x1160},   {0x1680, 0x1680},   {0x17B4, 0x17B5},    {0x180B, 0x180F},   {0x2000, 0x200F},
    {0x2028, 0x202F},   {0x205F, 0x206F},   {0x2800, 0x2800},    {0x3000, 0x3000},   {0x3164, 0x3164},
    {0xD800, 0xF8FF},   {0xFDD0, 0xFDEF},   {0xFE00, 0xFE0F},    {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0},
    {0xFFF0, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},  {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF}, {0xF0000, 0x10FFFF},
};

bool IsHiddenCharacter(char32_t c)
{
    if ((c & 0xFFFE) == 0xFFFE) // the noncharacters at the end of every plane
        return true;
    return std::any_of(std::begin(kHiddenCharacters), std::end(kHiddenCharacters),
                       [c](const CodeRange& r) { return c >= r.first && c <= r.last; });
}

// The Windows-1252 reading of 0x80-0x9F; zero where the code page has no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The length of the well-formed UTF-8 sequence at the start of text (no
// overlong forms, no surrogates, nothing above U+10FFFF), with its character;
// zero when the bytes there are no such sequence.
size_t DecodeUtf8(std::string_view text, char32_t& c)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char b = byte(i);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF))
            return 0;
        c = (c << 6) | (b & 0x3F);
    }
    return length;
}

} // namespace

bool HoldsHiddenCharacter(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        char32_t c = 0;
        size_t length = DecodeUtf8(text.substr(i), c);
        if (length == 0) {
            // Not UTF-8: the byte as the Windows code page shows it.
            const auto b = static_cast<unsigned char>(text[i]);
            c = b < 0xA0 ? kCp1252High[b - 0x80] : b;
            if (c == 0)
                return true;
            length = 1;
        }
        if (IsHiddenCharacter(c))
            return true;
        i += length;
    }
    return false;
}

std::optional<std::string> ToolHintRefusal(std::string_view hint)
{
    // Both separators are refused on every platform: a library travels
    // between systems, and a name that means a folder on one is no plain
    // file name on the other.
    const bool hasSeparator = hint.find_first_of("/\\") != std::string_view::npos;
    const bool hasParent = hint.find("..") != std::string_view::npos;
    const bool hasDrive = hint.find(':') != std::string_view::npos;
    if (!hasSeparator && !hasParent && !hasDrive && !HoldsHiddenCharacter(hint))
        return std::nullopt;
    std::string message = "The tool program \"";
    message += hint;
    message += "\" is not run: a tool program must be a plain file name in the library's folder.";
    return message;
}

std::string LibraryFolder(std::string_view libraryPath)
{
    return std::string(libraryPath.substr(0, static_cast<size_t>(LastPathSep(libraryPath) + 1)));
}

std::string LibraryFileName(std::string_view libraryPath)
{
    return std::string(libraryPath.substr(static_cast<size_t>(LastPathSep(libraryPath) + 1)));
}

bool IsTrustedFolder(const std::vector<std::string>& trustedFolders, std::string_view folder)
{
    return !folder.empty() && std::find(trustedFolders.begin(), trustedFolders.end(), folder) != trustedFolders.end();
}

const std::vector<std::string>& ToolConsentButtons()
{
    static const std::vector<std::string> buttons{"&Run", "&Always for this folder", "Cancel"};
    return buttons;
}

std::string ToolConsentQuestion(std::string_view who)
{
    std::string text(who);
    text += " wants to run the program below. Run programs from this folder?";
    return text;
}

std::string ToolNotStartedMessage(std::string_view name)
{
    std::string text(name);
    text += " could not be started.";
    return text;
}

std::string ToolCrashedMessage(std::string_view name)
{
    std::string text(name);
    text += " ended abnormally.";
    return text;
}

std::string ToolOutputCutNote(size_t keptBytes)
{
    return "\n[Only the first " + std::to_string(keptBytes / 1024) + " KB of the output are shown.]\n";
}

} // namespace tovel
