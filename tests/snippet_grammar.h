// A strict reader of editor snippet bodies, shared by the tests and the
// snippet writer's fuzz target.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tovel::clitest {

// A strict reader of the snippet grammar that VS Code and LSP share: text
// with '\' escaping '$', '}' and '\' (and ',' and '|' in choices), "${N:text}"
// and "${N|a,b|}". Anything else - an unescaped '$' or '}', a stray '\' -
// is a fault. Renders the body with each slot's default (a choice's first
// item) and keeps the slots.
struct SnippetSlot {
    int number = 0;
    bool choice = false;
    std::vector<std::string> items; // a placeholder's text is its only item
};

struct ParsedSnippet {
    bool ok = false;
    std::string error, rendered;
    std::vector<SnippetSlot> slots;
};

inline ParsedSnippet ParseSnippet(std::string_view body)
{
    ParsedSnippet parsed;
    size_t i = 0;
    const auto fail = [&](const std::string& why) {
        parsed.error = why + " at " + std::to_string(i) + " in " + std::string(body);
        return parsed;
    };
    // Text up to one of the stop bytes (unescaped); false on a fault.
    const auto text = [&](std::string& out, std::string_view escapable, std::string_view stops) {
        while (i < body.size() && stops.find(body[i]) == std::string_view::npos) {
            const char c = body[i];
            if (c == '\\') {
                if (i + 1 >= body.size() || escapable.find(body[i + 1]) == std::string_view::npos)
                    return false;
                out += body[i + 1];
                i += 2;
            } else if (c == '$' || c == '}') {
                return false;
            } else {
                out += c;
                ++i;
            }
        }
        return true;
    };
    while (i < body.size()) {
        std::string plain;
        if (!text(plain, "$}\\", "$"))
            return fail("stray special character");
        parsed.rendered += plain;
        if (i >= body.size())
            break;
        if (body.compare(i, 2, "${") != 0)
            return fail("'$' without '{'");
        i += 2;
        SnippetSlot slot;
        const size_t digits = i;
        while (i < body.size() && body[i] >= '0' && body[i] <= '9')
            slot.number = slot.number * 10 + (body[i++] - '0');
        if (i == digits || i >= body.size())
            return fail("tab stop number expected");
        if (body[i] == ':') {
            ++i;
            std::string value;
            if (!text(value, "$}\\", "}") || i >= body.size())
                return fail("placeholder not closed");
            ++i;
            slot.items.push_back(value);
        } else if (body[i] == '|') {
            slot.choice = true;
            for (;;) {
                ++i;
                std::string item;
                if (!text(item, "$}\\,|", ",|") || i >= body.size())
                    return fail("choice not closed");
                slot.items.push_back(item);
                if (body[i] == '|')
                    break;
            }
            if (body.compare(i, 2, "|}") != 0)
                return fail("'|}' expected");
            i += 2;
        } else {
            return fail("':' or '|' expected");
        }
        parsed.rendered += slot.items.front();
        parsed.slots.push_back(std::move(slot));
    }
    parsed.ok = true;
    return parsed;
}

} // namespace tovel::clitest
