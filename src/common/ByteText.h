// Byte-string helpers shared by the logic: searches that answer -1 when
// nothing is found, clamping substrings, replace-all, the ASCII
// case-insensitive comparison used by the combo-box look-ups, and the bytes
// of a C identifier.
#pragma once

#include <string>
#include <string_view>

namespace tovel {

// The path separator of the platform the program runs on.
#ifdef _WIN32
inline constexpr char kPathSep = '\\';
#else
inline constexpr char kPathSep = '/';
#endif

// Position of the first occurrence, or -1.
inline int Find(std::string_view text, std::string_view what, int from = 0)
{
    if (from < 0)
        from = 0;
    auto pos = text.find(what, static_cast<size_t>(from));
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

inline int Find(std::string_view text, char what, int from = 0)
{
    if (from < 0)
        from = 0;
    auto pos = text.find(what, static_cast<size_t>(from));
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

// Position of the last occurrence, or -1.
inline int ReverseFind(std::string_view text, char what)
{
    auto pos = text.rfind(what);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

// Position of the first character that belongs to the set, or -1.
inline int FindOneOf(std::string_view text, std::string_view set)
{
    auto pos = text.find_first_of(set);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

// The first c bytes; empty for c <= 0, the whole text past the end.
inline std::string Left(std::string_view text, int c)
{
    if (c <= 0)
        return {};
    return std::string(text.substr(0, static_cast<size_t>(c)));
}

// The last c bytes; empty for c <= 0, the whole text past the start.
inline std::string Right(std::string_view text, int c)
{
    if (c <= 0)
        return {};
    if (static_cast<size_t>(c) >= text.size())
        return std::string(text);
    return std::string(text.substr(text.size() - static_cast<size_t>(c)));
}

// c bytes from position i, cut at the end; empty for c <= 0.
inline std::string Mid(std::string_view text, int i, int c)
{
    if (c <= 0 || i < 0 || static_cast<size_t>(i) >= text.size())
        return {};
    return std::string(text.substr(static_cast<size_t>(i), static_cast<size_t>(c)));
}

// Everything from position i to the end.
inline std::string Mid(std::string_view text, int i)
{
    if (i < 0)
        i = 0;
    if (static_cast<size_t>(i) >= text.size())
        return {};
    return std::string(text.substr(static_cast<size_t>(i)));
}

// Replaces non-overlapping occurrences from left to right.
inline void ReplaceAll(std::string& text, std::string_view what, std::string_view with)
{
    if (what.empty())
        return;
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(what, start);
        if (pos == std::string::npos)
            break;
        if (out.empty())
            out.reserve(text.size());
        out.append(text, start, pos - start);
        out.append(with);
        start = pos + what.size();
    }
    if (start == 0)
        return;
    out.append(text, start, std::string::npos);
    text.swap(out);
}

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares bytes with ASCII letters folded to lower case: <0, 0 or >0.
// Bytes compare as unsigned values so 0x80-0xFF sort after ASCII.
inline int CompareNoCase(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

// A byte of a C identifier: an ASCII letter, a digit or '_'.
inline bool IsIdentifierByte(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A byte an identifier may begin with: an identifier byte but a digit.
inline bool IsIdentifierStartByte(char c)
{
    return IsIdentifierByte(c) && !(c >= '0' && c <= '9');
}

// A C identifier: identifier bytes, the first of them no digit.
inline bool IsIdentifier(std::string_view text)
{
    if (text.empty() || !IsIdentifierStartByte(text[0]))
        return false;
    for (char c : text)
        if (!IsIdentifierByte(c))
            return false;
    return true;
}

inline bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

inline bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// True for the separators a path may use on this platform.
inline bool IsPathSep(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// Position of the last path separator, or -1.
inline int LastPathSep(std::string_view path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (IsPathSep(path[i - 1]))
            return static_cast<int>(i - 1);
    return -1;
}

} // namespace tovel
