// Where the cursor stands in C text: inside the argument list of a call,
// and which argument, or on a name.
#pragma once

#include <cstddef>
#include <string_view>

namespace tovel::lsp {

struct CallContext {
    bool inCall = false;       // the innermost open bracket is a call's '('
    std::string_view name;     // the called name
    size_t nameOffset = 0;     // where it begins
    size_t argument = 0;       // the argument the cursor is in, from 0
    size_t argumentOffset = 0; // where that argument begins
};

// The innermost bracket open at offset, read from the start of the text:
// commas count at the top level of the call only, and brackets, commas and
// quotes inside comments and string or character literals do not count.
CallContext FindCallContext(std::string_view text, size_t offset);

// The ')' that closes the '(' at open (brackets, comments and literals
// inside are skipped), or npos.
size_t FindClosingParen(std::string_view text, size_t open);

// The identifier around offset (touching it on either side), or empty; its
// start in start.
std::string_view IdentifierAt(std::string_view text, size_t offset, size_t& start);

// The identifier ending at offset (the word being typed), or empty.
std::string_view IdentifierBefore(std::string_view text, size_t offset);

} // namespace tovel::lsp
