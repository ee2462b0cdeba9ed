#include "lsp/CallContext.h"

#include "common/ByteText.h"

#include <algorithm>
#include <vector>

namespace tovel::lsp {

namespace {

struct Open {
    bool call = false;
    size_t nameOffset = 0, nameLength = 0;
    size_t argument = 0;
    size_t argumentOffset = 0;
};

} // namespace

CallContext FindCallContext(std::string_view text, size_t offset)
{
    offset = std::min(offset, text.size());
    std::vector<Open> open;
    size_t nameStart = 0, nameLength = 0; // the last identifier, while nothing but blanks followed it
    for (size_t i = 0; i < offset;) {
        const char c = text[i];
        if (c == '/' && i + 1 < offset && text[i + 1] == '/') {
            while (i < offset && text[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && i + 1 < offset && text[i + 1] == '*') {
            const size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? offset : end + 2;
            continue;
        }
        if (c == '"' || c == '\'') {
            ++i;
            while (i < offset && text[i] != c && text[i] != '\n')
                i += text[i] == '\\' ? 2 : 1;
            ++i;
            nameLength = 0;
            continue;
        }
        if (IsIdentifierStartByte(c)) {
            const size_t start = i;
            while (i < text.size() && IsIdentifierByte(text[i]))
                ++i;
            nameStart = start;
            nameLength = std::min(i, offset) - start;
            i = std::min(i, offset);
            continue;
        }
        if (IsIdentifierByte(c)) { // a number
            while (i < offset && (IsIdentifierByte(text[i]) || text[i] == '.'))
                ++i;
            nameLength = 0;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '(' || c == '[' || c == '{') {
            Open entry;
            entry.call = c == '(' && nameLength > 0;
            entry.nameOffset = nameStart;
            entry.nameLength = entry.call ? nameLength : 0;
            entry.argumentOffset = i + 1;
            open.push_back(entry);
        } else if (c == ')' || c == ']' || c == '}') {
            if (!open.empty())
                open.pop_back();
        } else if (c == ',' && !open.empty()) {
            ++open.back().argument;
            open.back().argumentOffset = i + 1;
        }
        nameLength = 0;
        ++i;
    }
    CallContext context;
    if (open.empty() || !open.back().call)
        return context;
    const Open& top = open.back();
    context.inCall = true;
    context.name = text.substr(top.nameOffset, top.nameLength);
    context.nameOffset = top.nameOffset;
    context.argument = top.argument;
    context.argumentOffset = top.argumentOffset;
    return context;
}

size_t FindClosingParen(std::string_view text, size_t open)
{
    int64_t depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            i = text.find('\n', i);
            if (i == std::string_view::npos)
                return i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            i = text.find("*/", i + 2);
            if (i == std::string_view::npos)
                return i;
            ++i;
        } else if (c == '"' || c == '\'') {
            for (++i; i < text.size() && text[i] != c && text[i] != '\n'; ++i)
                if (text[i] == '\\')
                    ++i;
        } else if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            if (--depth == 0)
                return c == ')' ? i : std::string_view::npos;
        }
    }
    return std::string_view::npos;
}

std::string_view IdentifierAt(std::string_view text, size_t offset, size_t& start)
{
    offset = std::min(offset, text.size());
    size_t begin = offset, end = offset;
    while (begin > 0 && IsIdentifierByte(text[begin - 1]))
        --begin;
    while (end < text.size() && IsIdentifierByte(text[end]))
        ++end;
    while (begin < end && !IsIdentifierStartByte(text[begin]))
        ++begin;
    start = begin;
    return text.substr(begin, end - begin);
}

std::string_view IdentifierBefore(std::string_view text, size_t offset)
{
    offset = std::min(offset, text.size());
    size_t begin = offset;
    while (begin > 0 && IsIdentifierByte(text[begin - 1]))
        --begin;
    while (begin < offset && !IsIdentifierStartByte(text[begin]))
        ++begin;
    return text.substr(begin, offset - begin);
}

} // namespace tovel::lsp
