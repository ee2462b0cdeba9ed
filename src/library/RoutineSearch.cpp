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

RoutineNameIndex::RoutineNameIndex(const TextList& items)
{
    m_spans.reserve(items.size());
    for (const std::string_view item : items) {
        const NameSpan span = RoutineNameSpan(item);
        m_spans.push_back({static_cast<uint32_t>(m_names.size()), span.length});
        for (size_t i = 0; i < span.length; ++i)
            m_names.push_back(Lower(item[span.offset + i]));
    }
}

size_t RoutineNameIndex::Filter(const TextList& items, std::string_view typed, std::vector<uint32_t>& rows) const
{
    rows.clear();
    if (typed.empty() || items.size() != m_spans.size())
        return 0;
    std::string lower(typed);
    for (char& c : lower)
        c = Lower(c);
    const std::string_view names(m_names);
    size_t best = 0;
    bool started = false;
    for (size_t i = 0; i < m_spans.size(); ++i) {
        const std::string_view name = names.substr(m_spans[i].offset, m_spans[i].length);
        const size_t at = name.find(lower);
        if (at == std::string_view::npos)
            continue;
        if (at == 0 && !started) {
            started = true;
            best = rows.size();
        }
        rows.push_back(static_cast<uint32_t>(i));
    }
    return best;
}

} // namespace tovel
