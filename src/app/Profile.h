// Operations on the text of a settings (INI) file, held in memory as bytes.
//
// The text is a run of lines ended by CR LF, LF or a lone CR (the last line
// may have no end). A line whose first non-blank byte is '[' opens a section
// named by the text up to the first ']' (up to the line's end when it holds
// none); a line whose first non-blank byte is ';' is a comment; any other
// line holding '=' is a key line (name before the first '=', value after
// it). The text of a line ends at its first NUL byte. Section and key names
// compare with ASCII letter case folded, and blanks (space, tab) around names
// and values are ignored. Lines before the first header belong to no
// section; of two sections with the same name only the first is searched,
// and of two equal keys the first one counts.
//
// The writers splice whole lines: every line an operation does not concern
// keeps its bytes and its line end. Lines they write end with CR LF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

enum class KeyMatch { FoldCase, Exact };

// The value of key in section, without one outer pair of matching quotes
// (" or '); def without its trailing blanks when the section or key is
// missing. A key present with an
// empty value gives "". The result is cut to capacity - 1 bytes (capacity 0
// gives "").
std::string ProfileGetString(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view def, size_t capacity, KeyMatch match = KeyMatch::FoldCase);

// The key names of section in file order, duplicates included.
std::vector<std::string> ProfileGetKeyNames(std::string_view text, std::string_view section);

// Section and key names that a writer accepts: not empty once trimmed, no
// CR, LF or NUL; a section name holds no ']'; a key name holds no '=' and
// starts with neither ';' nor '['. Anything else could not be read back.
bool IsValidProfileSection(std::string_view section);
bool IsValidProfileKey(std::string_view key);

// The text with key set to value (CR and LF bytes removed from the value, the
// value cut at a NUL byte). An existing key's line is rewritten in place with
// the name spelt as in the text; a new key goes right after the last key line
// of the section (or its header); a new section is appended at the end. An
// unacceptable section or key name leaves the text unchanged.
std::string ProfileWriteString(std::string_view text, std::string_view section, std::string_view key,
                               std::string_view value, KeyMatch match = KeyMatch::FoldCase);

// The text without the lines of key in section (every copy of the key in the
// section that reads search). The header stays.
std::string ProfileDeleteKey(std::string_view text, std::string_view section, std::string_view key,
                             KeyMatch match = KeyMatch::FoldCase);

// The text without section: its header and its lines up to the next header,
// for every section of that name. Comment lines inside it stay where they
// stand and so belong to the section before.
std::string ProfileDeleteSection(std::string_view text, std::string_view section);

// The text with section holding exactly keys, each set to value, in the
// given order: the section is deleted as above and written anew at the end
// (not at all when no key is acceptable). A key listed twice (as match
// compares names) is written once; unacceptable keys are left out.
std::string ProfileReplaceSection(std::string_view text, std::string_view section, const std::vector<std::string>& keys,
                                  std::string_view value, KeyMatch match = KeyMatch::FoldCase);

} // namespace tovel
