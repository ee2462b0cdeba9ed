#include "assist/Json.h"

#include "common/LineCells.h"

#include <cstdio>

namespace tovel::cli {

namespace {

void AppendEscape(std::string& out, unsigned value)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", value);
    out += buf;
}

} // namespace

std::string JsonByteString(std::string_view bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80)
            AppendEscape(out, b);
        else {
            const std::string quoted = JsonQuote(std::string_view(&c, 1)); // ASCII: its escape, if any
            out.append(quoted, 1, quoted.size() - 2);
        }
    }
    out += '"';
    return out;
}

std::string JsonTextMember(std::string_view key, std::string_view text)
{
    std::string member;
    if (!IsUtf8(text))
        member = JsonQuote(std::string(key) + "_bytes") + ": " + JsonByteString(text) + ", ";
    return member + JsonQuote(key) + ": " + JsonQuote(text);
}

std::string JsonQuote(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80) {
            const size_t len = Utf8SequenceLength(text, i);
            if (len > 0) {
                out.append(text.substr(i, len));
                i += len;
            } else {
                AppendEscape(out, b);
                ++i;
            }
            continue;
        }
        switch (b) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20 || b == 0x7F)
                AppendEscape(out, b);
            else
                out += static_cast<char>(b);
        }
        ++i;
    }
    out += '"';
    return out;
}

} // namespace tovel::cli
