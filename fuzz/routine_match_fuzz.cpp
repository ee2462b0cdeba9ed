// Finding the routine a user names in a function list: the answer must fit
// the list, and the work must stay proportional to it (large inputs allowed:
// a list of many equal names is the case to watch).
// fuzz-max-len: 262144
#include "FuzzSupport.h"

#include "assist/Routine.h"

#include <algorithm>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tovel::fuzz::Input input(data, size);
    const std::string query = input.Until("\n");
    std::vector<std::string> items;
    while (!input.Empty())
        items.push_back(input.Until("\n"));

    const tovel::cli::FunctionMatch match = tovel::cli::MatchFunction(items, query);
    using Result = tovel::cli::FunctionMatch::Result;
    const auto listed = [&](const std::string& item) {
        return std::find(items.begin(), items.end(), item) != items.end();
    };
    switch (match.result) {
    case Result::Found:
        FUZZ_CHECK(listed(match.prototype));
        FUZZ_CHECK(tovel::cli::ListLine(match.prototype) == query || match.prototype == query
                   || tovel::cli::RoutineNameOf(match.prototype) == query);
        break;
    case Result::Ambiguous:
        FUZZ_CHECK(match.candidates.size() >= 2);
        for (const std::string& candidate : match.candidates)
            FUZZ_CHECK(tovel::cli::RoutineNameOf(candidate) == query);
        break;
    case Result::Unknown:
        for (const std::string& item : items)
            FUZZ_CHECK(item != query && tovel::cli::ListLine(item) != query
                       && tovel::cli::RoutineNameOf(item) != query);
        break;
    }
    // Candidates are distinct.
    std::vector<std::string> sorted = match.candidates;
    std::sort(sorted.begin(), sorted.end());
    FUZZ_CHECK(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
    return 0;
}
