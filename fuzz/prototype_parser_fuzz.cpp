// The prototype parser with its hint lines: whatever the source holds, the
// panel model keeps its invariants (at most kMaxSlots slots, each named,
// with its hint and value, hints without blanks, tool presets quoted).
// The first input line is the prototype text; when it is empty, the first
// prototype that the scanner lists from the source is used, as the dialog does.
#include "FuzzSupport.h"

#include "common/ByteText.h"
#include "composer/PrototypeParser.h"
#include "library/LineReader.h"
#include "library/Scanner.h"

#include <string>
#include <vector>

namespace {

void CheckNormalized(const std::string& text)
{
    FUZZ_CHECK(text.find('\t') == std::string::npos);
    FUZZ_CHECK(text.find("  ") == std::string::npos);
    for (const char* bad : {" ,", ", ", "( ", " (", " )"})
        FUZZ_CHECK(text.find(bad) == std::string::npos);
}

void CheckModel(const tovel::ParameterPanelModel& model)
{
    FUZZ_CHECK(model.nParams >= 0 && model.nParams <= tovel::kMaxSlots);
    const auto n = static_cast<size_t>(model.nParams);
    FUZZ_CHECK(model.names.size() == n && model.hints.size() == n && model.values.size() == n);
    for (size_t i = 0; i < n; ++i) {
        FUZZ_CHECK(!model.names[i].empty());
        FUZZ_CHECK(model.hints[i].find(' ') == std::string::npos);
        FUZZ_CHECK(model.hints[i].find('\t') == std::string::npos);
        if (!model.values[i].empty())
            FUZZ_CHECK(model.values[i] == "\"" + model.hints[i] + "\"" && tovel::Find(model.hints[i], ".exe") > 0);
    }
    if (!model.extraNames.empty())
        FUZZ_CHECK(model.nParams == tovel::kMaxSlots);
    for (const std::string& name : model.extraNames)
        FUZZ_CHECK(!name.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tovel::fuzz::Input in(data, size);
    std::string prototype = in.Until("\n");
    const std::string source = in.Rest();
    if (prototype.empty()) {
        tovel::StringLineReader scan(source);
        const auto items = tovel::CollectPrototypes(scan, false);
        if (!items.empty())
            prototype = items.front();
    }

    CheckNormalized(tovel::NormalizePrototype(prototype));
    FUZZ_CHECK(tovel::NormalizePrototype(tovel::NormalizePrototype(prototype)) == tovel::NormalizePrototype(prototype));

    tovel::ParameterPanelModel previous;
    previous.type = "keep";
    previous.names = {"stale"};
    previous.hints = {""};
    previous.values = {""};
    previous.nParams = 1;

    tovel::StringLineReader reader(source);
    const tovel::ParameterPanelModel model = tovel::ParsePrototypeSource(previous, prototype, &reader);
    CheckModel(model);

    // A source that cannot be opened: no slots, the prototype as function
    // text, the previous type kept.
    const tovel::ParameterPanelModel unopened = tovel::ParsePrototypeSource(previous, prototype, nullptr);
    CheckModel(unopened);
    FUZZ_CHECK(unopened.nParams == 0 && unopened.function == prototype && unopened.type == "keep");

    // Each hint line, read against each slot name, gives a clean hint.
    tovel::StringLineReader lines(source);
    int count = 0;
    for (std::string line = lines.ReadLine(); !line.empty() && count < 64; line = lines.ReadLine(), ++count) {
        for (int k = 0; k < model.nParams; ++k) {
            const std::string hint = tovel::MatchHintLine(line, model.names[static_cast<size_t>(k)]);
            FUZZ_CHECK(hint.find(' ') == std::string::npos && hint.find('\t') == std::string::npos);
            FUZZ_CHECK(hint.find('}') == std::string::npos);
            if (tovel::IsChoiceHint(hint)) {
                const auto items = tovel::SplitChoiceHint(hint);
                std::string joined;
                for (size_t i = 0; i < items.size(); ++i)
                    joined += (i ? "," : "") + items[i];
                FUZZ_CHECK(items.size() >= 2 && joined == hint);
            }
        }
    }
    return 0;
}
