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

// The bytes as a quoted JSON string in which every character stands for one
// byte of the same value (U+0000-U+00FF), whatever the bytes are: a reader
// gets the bytes back by taking each character's code (in Python,
// text.encode("latin-1")). Written beside a text that is not UTF-8, as
// "KEY_bytes", since JsonQuote's form of such a text cannot name a file.
std::string JsonByteString(std::string_view bytes);

// "KEY": JsonQuote(text), preceded by "KEY_bytes": JsonByteString(text) and
// ", " when the text is not UTF-8.
std::string JsonTextMember(std::string_view key, std::string_view text);

} // namespace tovel::cli
