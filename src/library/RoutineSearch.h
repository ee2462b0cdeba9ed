// Finding a routine of the function list by the name the user types.
#pragma once

#include "common/TextList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// Where the routine name stands in a prototype text: the identifier right
// before the first '(' (blanks between them skipped, leading digits not part
// of it). Length 0 when the text has no '(' or no identifier before it.
struct NameSpan {
    uint32_t offset = 0;
    uint32_t length = 0;
};
NameSpan RoutineNameSpan(std::string_view prototype);

// The routine names of one fill of the function list, found once and kept in
// lower case side by side, so that each keystroke only compares bytes.
class RoutineNameIndex {
public:
    RoutineNameIndex() = default;
    explicit RoutineNameIndex(const TextList& items);

    // Fills rows with the items, in list order, whose name contains typed
    // (case ignored), and returns the place in rows of the first whose name
    // starts with it (0 when none does). rows is empty when typed is empty,
    // when nothing matches, or when items is not the list the index was
    // built from. rows keeps its room from one keystroke to the next.
    size_t Filter(const TextList& items, std::string_view typed, std::vector<uint32_t>& rows) const;
    size_t Size() const { return m_spans.size(); }

private:
    std::string m_names;           // every name in lower case, one after another
    std::vector<NameSpan> m_spans; // item i's name within m_names
};

} // namespace tovel
