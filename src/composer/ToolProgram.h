// Tool programs named by a slot's hint: which hints may name one, where the
// program is looked for, whether its folder is trusted, and the texts the
// user sees around a run. A library is untrusted input, so a hint may only
// name a plain file in the library's own folder, and nothing runs before the
// user has agreed to run programs from that folder.
#pragma once

#include "app/SettingsKeys.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// The settings section that lists the folders whose programs run without
// asking, one key per folder (the folder's path, ending with a separator).
inline constexpr std::string_view kTrustedSection = setting::kTrustedSection;

// True when the text holds a character that does not show as itself: a
// control character, a line or paragraph separator, a blank other than the
// plain space, a zero-width, invisible or direction-changing character, a
// private-use or noncharacter. Well-formed UTF-8 is read as UTF-8, any other
// byte as the Windows code page shows it.
bool HoldsHiddenCharacter(std::string_view text);

// The message for a hint that names no plain file name (an absolute path, a
// path separator of any platform, "..", a drive or a hidden character), or
// nothing when the hint is acceptable.
std::optional<std::string> ToolHintRefusal(std::string_view hint);

// The library's folder: its path up to and including the last separator;
// empty when it has none.
std::string LibraryFolder(std::string_view libraryPath);

// The library's file name, without its folder.
std::string LibraryFileName(std::string_view libraryPath);

// True when the folder is one of the trusted keys, compared byte for byte
// (folder names on Linux differ by case).
bool IsTrustedFolder(const std::vector<std::string>& trustedFolders, std::string_view folder);

// The buttons of the consent question, in order; Run is the default and
// Cancel answers Escape.
enum ToolConsentAnswer : int { kConsentRun = 0, kConsentAlways = 1, kConsentCancel = 2 };
const std::vector<std::string>& ToolConsentButtons();

// "WHO wants to run the program below. Run programs from this folder?" The
// program's path is shown on a line of its own under this text.
std::string ToolConsentQuestion(std::string_view who);

// "NAME could not be started."
std::string ToolNotStartedMessage(std::string_view name);

// "NAME ended abnormally."
std::string ToolCrashedMessage(std::string_view name);

// The line added to an answer that was longer than the platform keeps.
std::string ToolOutputCutNote(size_t keptBytes);

} // namespace tovel
