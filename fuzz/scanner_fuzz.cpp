// The prototype scanner on both library kinds: every listed item must obey
// the rules of its kind, the list must not depend on how the text is read,
// and sorting and the exact look-up must agree with each other.
#include "FuzzSupport.h"

#include "common/ByteText.h"
#include "library/LineReader.h"
#include "library/Scanner.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

bool NoDoubleBlank(const std::string& s)
{
    return s.find("  ") == std::string::npos;
}

void CheckMarkedItem(const std::string& item)
{
    // Up to and including the first ')', with something before it.
    FUZZ_CHECK(item.size() >= 4);
    FUZZ_CHECK(item.back() == ')');
    FUZZ_CHECK(item.find(')') == item.size() - 1);
    FUZZ_CHECK(item.find('\0') == std::string::npos);
    const char first = item.front();
    FUZZ_CHECK(first != ' ' && first != '\t' && first != '\r' && first != '\n' && first != '\v' && first != '\f');
    // A marker may remain: each marker is dropped in one pass, and dropping
    // one can join the bytes around it into another (the exact rule is
    // checked against PlainMarkedPrototype).
}

// The prototype rule step by step, on a copy of the line: drop each marker
// in one pass, skip the white space, cut after the first ')'.
std::optional<std::string> PlainMarkedPrototype(const std::string& line)
{
    if (!tovel::StartsWithPrototypeMarker(line))
        return std::nullopt;
    std::string text = line;
    tovel::ReplaceAll(text, tovel::kPrototypeMarkerSemicolon, "");
    tovel::ReplaceAll(text, tovel::kPrototypeMarkerAt, "");
    const size_t start = text.find_first_not_of(" \t\r\n\v\f");
    const size_t close = start == std::string::npos ? std::string::npos : text.find(')', start);
    if (close == std::string::npos || close - start <= 2)
        return std::nullopt;
    return text.substr(start, close + 1 - start);
}

void CheckDeclaration(const std::string& line)
{
    const tovel::NormalisedDeclaration decl = tovel::NormaliseDeclaration(line);
    FUZZ_CHECK(decl.text.find('\t') == std::string::npos);
    FUZZ_CHECK(NoDoubleBlank(decl.text));
    // A comma gains one blank at most.
    FUZZ_CHECK(decl.text.size() <= 2 * line.size());
    if (decl.listed) {
        FUZZ_CHECK(decl.text.find('(') != std::string::npos);
        FUZZ_CHECK(decl.text.find(" (") == std::string::npos);
        FUZZ_CHECK(decl.text.find("( ") == std::string::npos);
        FUZZ_CHECK(decl.text.find(" )") == std::string::npos);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    tovel::StringLineReader lines(text);
    for (std::string line = lines.ReadLine(); !line.empty(); line = lines.ReadLine()) {
        const auto prototype = tovel::ExtractMarkedPrototype(line);
        FUZZ_CHECK(prototype == PlainMarkedPrototype(line));
        if (prototype) {
            FUZZ_CHECK(tovel::StartsWithPrototypeMarker(line));
            CheckMarkedItem(*prototype);
        }
        CheckDeclaration(line);
    }

    for (const bool header : {false, true}) {
        tovel::StringLineReader reader(text);
        std::vector<std::string> items = tovel::CollectPrototypes(reader, header);
        if (!header)
            for (const std::string& item : items)
                CheckMarkedItem(item);

        // The sort gives the stable case-insensitive order: equal texts
        // (which may differ in letter case) keep their file order.
        std::vector<std::string> sorted = items;
        tovel::SortFunctionList(sorted);
        std::vector<std::string> reference = items;
        std::stable_sort(reference.begin(), reference.end(),
                         [](const std::string& a, const std::string& b) { return tovel::CompareNoCase(a, b) < 0; });
        FUZZ_CHECK(sorted == reference);
        // The one-buffer list holds the same texts, and sorts them alike.
        tovel::StringLineReader inOneBuffer(text);
        tovel::TextList list = tovel::CollectPrototypeList(inOneBuffer, header);
        FUZZ_CHECK(list == items);
        tovel::SortFunctionList(list);
        FUZZ_CHECK(list == sorted);
        for (size_t i = 0; i < sorted.size(); ++i) {
            const int found = tovel::FindStringExact(sorted, sorted[i]);
            FUZZ_CHECK(found >= 0 && static_cast<size_t>(found) <= i);
            FUZZ_CHECK(tovel::EqualsNoCase(sorted[static_cast<size_t>(found)], sorted[i]));
        }

        // The summary tells what the sorted list would, for a choice that is
        // listed (the middle item) and one that may not be (the first line).
        const std::string choices[] = {sorted.empty() ? std::string() : sorted[sorted.size() / 2],
                                       text.substr(0, text.find('\n'))};
        for (const std::string& choice : choices) {
            tovel::StringLineReader again(text);
            const tovel::PrototypeSummary summary = tovel::SummarisePrototypes(again, header, choice);
            FUZZ_CHECK(summary.count == sorted.size());
            FUZZ_CHECK(summary.first == (sorted.empty() ? std::string() : sorted.front()));
            FUZZ_CHECK(summary.choiceIndex == tovel::FindStringExact(sorted, choice));
        }
    }

    {
        // Every line as an item: texts of any bytes and lengths, many of them
        // equal but for letter case or prefixes of each other.
        std::vector<std::string> all;
        tovel::StringLineReader reader(text);
        for (std::string line = reader.ReadLine(); !line.empty(); line = reader.ReadLine())
            all.push_back(line);
        std::vector<std::string> sorted = all;
        tovel::SortFunctionList(sorted);
        tovel::TextList list(all);
        tovel::SortFunctionList(list);
        std::stable_sort(all.begin(), all.end(),
                         [](const std::string& a, const std::string& b) { return tovel::CompareNoCase(a, b) < 0; });
        FUZZ_CHECK(sorted == all);
        FUZZ_CHECK(list == all);
    }

    // The kind follows from the path's end alone.
    FUZZ_CHECK(tovel::IsHeaderLibrary(text) == (tovel::EndsWith(text, ".h") || tovel::EndsWith(text, ".H")));
    return 0;
}
