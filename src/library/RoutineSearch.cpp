#include "library/RoutineSearch.h"

#include "common/RoutineName.h"

namespace tovel {

namespace {

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

NameSpan RoutineNameSpan(std::string_view prototype)
{
    const RoutineNamePlace place = FindRoutineName(prototype);
    return {static_cast<uint32_t>(place.offset), static_cast<uint32_t>(place.length)};
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
