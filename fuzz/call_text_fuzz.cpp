// The call composition along the road of one call: a prototype and its hint
// lines parsed into the panel, values filled in from the hints as the
// editors would (a choice item, an option selection, a tool preset, typed
// bytes), and the call text composed from them.
#include "FuzzSupport.h"

#include "common/ByteText.h"
#include "composer/CallText.h"
#include "composer/PrototypeParser.h"
#include "composer/ValueEditors.h"
#include "library/LineReader.h"
#include "library/Scanner.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tovel::fuzz::Input in(data, size);
    const unsigned choices = in.Byte();
    const std::string typed = in.Until("\n");
    const std::string source = in.Rest();

    tovel::StringLineReader scan(source);
    const auto prototypes = tovel::CollectPrototypes(scan, false);
    const std::string prototype = prototypes.empty() ? std::string("int f(int a)") : prototypes.front();
    tovel::StringLineReader reader(source);
    const tovel::ParameterPanelModel model = tovel::ParsePrototypeSource({}, prototype, &reader);

    std::vector<std::string> values;
    for (int k = 0; k < model.nParams; ++k) {
        const std::string& hint = model.hints[static_cast<size_t>(k)];
        std::string value = model.values[static_cast<size_t>(k)];
        if (tovel::IsChoiceHint(hint)) {
            const auto items = tovel::SplitChoiceHint(hint);
            value = items[(choices >> k) % items.size()];
        } else if (tovel::ClassifyHint(hint) == tovel::HintKind::OptionList) {
            std::vector<std::string> picked;
            const auto items = tovel::SplitOptionList(hint);
            for (size_t i = 0; i < items.size() && i < 32; ++i)
                if ((choices >> (i % 8)) & 1)
                    picked.push_back(items[i]);
            value = tovel::JoinOptionSelection(picked);
        } else if (value.empty()) {
            value = typed;
        }
        values.push_back(value);
    }

    const std::string call = tovel::ComposeCallText(model.function, values, model.extraNames);
    // The name, "(", every value and extra name in order separated by ",", ")".
    std::string expected = model.function + "(";
    std::vector<std::string> arguments = values;
    arguments.insert(arguments.end(), model.extraNames.begin(), model.extraNames.end());
    for (size_t i = 0; i < arguments.size(); ++i)
        expected += (i ? "," : "") + arguments[i];
    expected += ")";
    FUZZ_CHECK(call == expected);
    FUZZ_CHECK(tovel::StartsWith(call, model.function + "(") && tovel::EndsWith(call, ")"));

    // No values at all: just the name and "()".
    FUZZ_CHECK(tovel::ComposeCallText(typed, {}) == typed + "()");
    return 0;
}
