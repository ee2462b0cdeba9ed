#include "library/RoutineSearch.h"

namespace tovel {

namespace {

bool IsIdentChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

NameSpan RoutineNameSpan(std::string_view prototype)
{
    const size_t paren = prototype.find('(');
    if (paren == std::string_view::npos)
        return {};
    size_t end = paren;
    while (end > 0 && (prototype[end - 1] == ' ' || prototype[end - 1] == '\t'))
        --end;
    size_t begin = end;
    while (begin > 0 && IsIdentChar(prototype[begin - 1]))
        --begin;
    while (begin < end && prototype[begin] >= '0' && prototype[begin] <= '9')
        ++begin;
    return {static_cast<uint32_t>(begin), static_cast<uint32_t>(end - begin)};
}

RoutineNameIndex::RoutineNameIndex(const std::vector<std::string>& items)
{
    m_spans.reserve(items.size());
    for (const std::string& item : items) {
        const NameSpan span = RoutineNameSpan(item);
        m_spans.push_back({static_cast<uint32_t>(m_names.size()), span.length});
        for (size_t i = 0; i < span.length; ++i)
            m_names.push_back(Lower(item[span.offset + i]));
    }
}

int RoutineNameIndex::Find(const std::vector<std::string>& items, std::string_view typed) const
{
    if (typed.empty() || items.size() != m_spans.size())
        return -1;
    std::string lower(typed);
    for (char& c : lower)
        c = Lower(c);
    const std::string_view names(m_names);
    auto name = [&](size_t i) { return names.substr(m_spans[i].offset, m_spans[i].length); };
    for (size_t i = 0; i < m_spans.size(); ++i)
        if (name(i).substr(0, lower.size()) == lower)
            return static_cast<int>(i);
    for (size_t i = 0; i < m_spans.size(); ++i)
        if (name(i).find(lower) != std::string_view::npos)
            return static_cast<int>(i);
    return -1;
}

} // namespace tovel
