#include "composer/ToolProgram.h"

#include "common/ByteText.h"
#include "common/LineCells.h"

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

} // namespace

bool HoldsHiddenCharacter(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text, i);
        char32_t c = 0;
        if (length > 0) {
            c = DecodeUtf8(text.data() + i, length);
        } else {
            // Not UTF-8: the byte as the Windows code page shows it; the
            // bytes it leaves unassigned read as C1 controls, which are hidden.
            c = Cp1252Char(static_cast<unsigned char>(text[i]));
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
