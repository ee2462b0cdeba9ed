// The call finder of lint on any C text: every finding points into the
// text, and the pass stays linear on hostile nesting (large inputs allowed).
// fuzz-max-len: 262144
#include "FuzzSupport.h"

#include "assist/Lint.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const tovel::cli::LintRoutines routines = [] {
        tovel::cli::LintRoutines r;
        const auto add = [&](const std::string& name, int parameters, bool variadic,
                             std::vector<std::pair<std::string, std::string>> slots) {
            tovel::cli::LintRoutine routine;
            routine.prototype = "int " + name + "(...)";
            routine.parameters = parameters;
            routine.variadic = variadic;
            for (const auto& [slotName, hint] : slots)
                routine.slotList.push_back(tovel::cli::DescribeSlot("", slotName, hint, ""));
            r[name].push_back(routine);
        };
        add("F", 2, false, {{"a", "0-100"}, {"b", "A|B|C"}});
        add("G", 0, false, {});
        add("H", 2, true, {{"x", "0,1,2"}, {"...", " "}});
        add("F", 1, false, {{"c", "-5-0x10"}});
        return r;
    }();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    int lines = 1;
    for (char c : text)
        lines += c == '\n';
    for (const tovel::cli::LintFinding& finding : tovel::cli::LintText(text, routines)) {
        FUZZ_CHECK(finding.line >= 1 && finding.line <= lines);
        FUZZ_CHECK(finding.column >= 1 && static_cast<size_t>(finding.column) <= size);
        FUZZ_CHECK(!finding.message.empty());
    }
    return 0;
}
