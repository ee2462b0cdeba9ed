// Writing JSON text from the byte strings of a library.
#pragma once

#include <string>
#include <string_view>

namespace tovel::cli {

// The text as a quoted JSON string. Valid UTF-8 sequences pass unchanged;
// any other byte of 0x80-0xFF (a library in an 8-bit code page) is written
// as the character of the same value (\u0080-\u00FF), so the output is
// always valid JSON. Control characters, '"' and '\' are escaped.
std::string JsonQuote(std::string_view text);

} // namespace tovel::cli
