#include "composer/CallText.h"

namespace tovel {

std::string ComposeCallText(std::string_view function, const std::vector<std::string>& values,
                            const std::vector<std::string>& extraNames)
{
    std::string text(function);
    text += '(';
    bool first = true;
    auto append = [&](const std::string& argument) {
        if (!first)
            text += ',';
        text += argument;
        first = false;
    };
    for (const std::string& value : values)
        append(value);
    // Parameters without a slot keep their place in the call by their names.
    for (const std::string& name : extraNames)
        append(name);
    text += ')';
    return text;
}

} // namespace tovel
