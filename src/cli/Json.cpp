#include "cli/Json.h"

#include <cstdio>

namespace tovel::cli {

namespace {

void AppendEscape(std::string& out, unsigned value)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", value);
    out += buf;
}

// Length of the well-formed UTF-8 sequence at text[i], or 0.
size_t Utf8SequenceLength(std::string_view text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    size_t len = 0;
    unsigned lowest = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        lowest = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (i + len > text.size())
        return 0;
    unsigned code = b & (len == 2 ? 0x1Fu : len == 3 ? 0x0Fu : 0x07u);
    for (size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t len = Utf8SequenceLength(text, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

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
    if (!IsValidUtf8(text))
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
