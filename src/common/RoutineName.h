// The routine name of a prototype text, the one rule for every place that
// derives it: the function label, the header library's source file and the
// command line's look-up.
#pragma once

#include "common/ByteText.h"

#include <string>
#include <string_view>

namespace tovel {

// Where the routine name stands in a prototype text: the identifier right
// before the first '(' (blanks and tabs between them allowed), without
// leading digits; length 0 when there is none. Pointer stars and a
// function-pointer parameter's own '(' are not part of it:
// "int atexit(void (*func)(void))" names atexit.
struct RoutineNamePlace {
    size_t offset = 0;
    size_t length = 0;
};

inline RoutineNamePlace FindRoutineName(std::string_view prototype)
{
    const size_t paren = prototype.find('(');
    if (paren == std::string_view::npos)
        return {};
    size_t end = paren;
    while (end > 0 && (prototype[end - 1] == ' ' || prototype[end - 1] == '\t'))
        --end;
    size_t begin = end;
    while (begin > 0 && IsIdentifierByte(prototype[begin - 1]))
        --begin;
    while (begin < end && prototype[begin] >= '0' && prototype[begin] <= '9')
        ++begin;
    return {begin, end - begin};
}

// The routine name itself; empty when there is none.
inline std::string RoutineNameOf(std::string_view prototype)
{
    const RoutineNamePlace place = FindRoutineName(prototype);
    return std::string(prototype.substr(place.offset, place.length));
}

} // namespace tovel
