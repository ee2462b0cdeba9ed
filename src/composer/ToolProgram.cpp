#include "composer/ToolProgram.h"

#include "common/ByteText.h"

#include <algorithm>

namespace tovel {

std::optional<std::string> ToolHintRefusal(std::string_view hint)
{
    // Both separators are refused on every platform: a library travels
    // between systems, and a name that means a folder on one is no plain
    // file name on the other.
    const bool hasSeparator = hint.find_first_of("/\\") != std::string_view::npos;
    const bool hasParent = hint.find("..") != std::string_view::npos;
    const bool hasDrive = hint.find(':') != std::string_view::npos;
    const bool hasControl =
        std::any_of(hint.begin(), hint.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (!hasSeparator && !hasParent && !hasDrive && !hasControl)
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

std::string ToolConsentQuestion(std::string_view libraryPath, std::string_view program)
{
    std::string text = LibraryFileName(libraryPath);
    text += " wants to run ";
    text += program;
    text += ". Run programs from this folder?";
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
