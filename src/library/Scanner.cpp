#include "library/Scanner.h"

#include "common/ByteText.h"

#include <algorithm>
#include <array>

namespace tovel {

namespace {

bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// A declaration that starts (blanks and tabs aside) with a comment opener
// has been commented out by the library's author.
bool IsCommentedOut(std::string_view line)
{
    size_t i = 0;
    while (i < line.size() && IsBlankOrTab(line[i]))
        ++i;
    const std::string_view rest = line.substr(i);
    return StartsWith(rest, "//") || StartsWith(rest, "/*");
}

bool IsListedReturnWord(std::string_view word)
{
    return std::find(kListedReturnWords.begin(), kListedReturnWords.end(), word) != kListedReturnWords.end();
}

// A routine of a library takes a prototype line, hint lines and its code:
// rarely under 128 bytes in all.
constexpr size_t kBytesPerListedItemGuess = 128;
constexpr size_t kMaxItemsReservedAhead = size_t{1} << 20;

} // namespace

namespace {

// ExtractMarkedPrototype's text as a view: of the line itself when no
// further marker stands before its ')', else of scratch, which then holds
// the line with the markers dropped.
std::optional<std::string_view> MarkedPrototypeOf(std::string_view line, std::string& scratch)
{
    if (!StartsWithPrototypeMarker(line))
        return std::nullopt;
    const std::string_view rest = line.substr(kPrototypeMarkerLength);
    // Nearly every line holds no further marker before its first ')' (the
    // markers hold no ')', so dropping later ones changes nothing up to it):
    // then the prototype is taken straight from the line, with no copy to
    // edit. A marker ends in ':', rare in a prototype, so one quick search
    // for it mostly settles the question.
    const size_t restClose = rest.find(')');
    if (restClose == std::string_view::npos)
        return std::nullopt; // dropping markers adds no ')'
    const std::string_view head = rest.substr(0, restClose);
    if (head.find(':') == std::string_view::npos || head.find(kPrototypeMarkerTail) == std::string_view::npos) {
        const size_t start = rest.size() - SkipMarkerSpace(rest).size(); // stops at the ')'
        if (restClose - start <= 2)
            return std::nullopt;
        return rest.substr(start, restClose + 1 - start);
    }
    // The line starts with one marker; every further occurrence of either
    // marker is dropped as well.
    scratch = RemovePrototypeMarkers(rest);
    const std::string_view text = scratch;
    const size_t start = text.size() - SkipMarkerSpace(text).size();
    const size_t close = text.find(')', start);
    if (close == std::string::npos || close - start <= 2)
        return std::nullopt;
    return text.substr(start, close + 1 - start);
}

} // namespace

std::optional<std::string> ExtractMarkedPrototype(std::string_view line)
{
    std::string scratch;
    if (const auto prototype = MarkedPrototypeOf(line, scratch))
        return std::string(*prototype);
    return std::nullopt;
}

NormalisedDeclaration NormaliseDeclaration(std::string_view line)
{
    NormalisedDeclaration result;

    // Cut off the terminator, or failing that a trailing comment. A mark at
    // position 0 does not count.
    std::string_view cut = line;
    if (int pos = Find(cut, ';'); pos >= 1)
        cut = cut.substr(0, static_cast<size_t>(pos));
    else if (int slashes = Find(cut, "//"); slashes >= 1)
        cut = cut.substr(0, static_cast<size_t>(slashes));
    else if (int star = Find(cut, "/*"); star >= 1)
        cut = cut.substr(0, static_cast<size_t>(star));

    if (int close = Find(cut, ')'); close >= 5)
        cut = cut.substr(0, static_cast<size_t>(close) + 1);

    std::string& text = result.text;
    text.assign(cut);
    NormaliseSpacing(text, true);
    ReplaceAll(text, "extern ", "");

    // The return type is the part before the name: the text before the last
    // '(' up to its last blank; its last word decides.
    const int paren = ReverseFind(text, '(');
    const std::string_view head = std::string_view(text).substr(0, paren < 0 ? 0 : static_cast<size_t>(paren));
    const int blank = ReverseFind(head, ' ');
    if (blank >= 3) {
        const std::string_view type = head.substr(0, static_cast<size_t>(blank));
        const int wordStart = ReverseFind(type, ' ') + 1;
        result.returnWord = type.substr(static_cast<size_t>(wordStart));
        result.listed = IsListedReturnWord(result.returnWord);
    }
    if (result.listed && IsCommentedOut(line))
        result.listed = false;
    return result;
}

namespace {

// Hands each listed prototype text, in file order, to take, as a view that
// lasts until take returns.
template <typename Take>
void ForEachPrototype(LineSource& source, bool headerLibrary, Take&& take)
{
    std::string scratch;
    for (;;) {
        // Every prototype comment line holds the markers' shared tail.
        if (!headerLibrary)
            source.SkipToLineWith(kPrototypeMarkerTail);
        const std::string_view line = source.NextLine();
        if (line.empty())
            break;
        if (headerLibrary) {
            // Without a '(', or commented out, nothing can be listed; skip the work.
            if (line.find('(') == std::string_view::npos || IsCommentedOut(line))
                continue;
            const NormalisedDeclaration decl = NormaliseDeclaration(line);
            if (decl.listed)
                take(std::string_view(decl.text));
        } else if (StartsWithPrototypeMarker(line)) {
            if (const auto prototype = MarkedPrototypeOf(line, scratch))
                take(*prototype);
        }
    }
}

} // namespace

std::vector<std::string> CollectPrototypes(LineSource& source, bool headerLibrary)
{
    std::vector<std::string> items;
    // Room for as many items as a library of this size usually lists, made
    // once: growing the list step by step would copy it into fresh memory
    // again and again. Room that is not used is never touched.
    items.reserve(std::min(source.SizeHint() / kBytesPerListedItemGuess, kMaxItemsReservedAhead));
    ForEachPrototype(source, headerLibrary, [&](std::string_view text) { items.emplace_back(text); });
    return items;
}

TextList CollectPrototypeList(LineSource& source, bool headerLibrary)
{
    TextList items;
    // As CollectPrototypes, and the texts' bytes too: prototypes are a
    // part of their library's bytes, so the file's size is room enough.
    const size_t size = source.SizeHint();
    items.reserve(std::min(size / kBytesPerListedItemGuess, kMaxItemsReservedAhead),
                  std::min(size, kMaxItemsReservedAhead * kBytesPerListedItemGuess));
    ForEachPrototype(source, headerLibrary, [&](std::string_view text) { items.push_back(text); });
    return items;
}

PrototypeSummary SummarisePrototypes(LineSource& source, bool headerLibrary, std::string_view choice)
{
    // The sort is stable and case-insensitive: the first text of the list is
    // the first of the smallest in file order, and the first text equal to
    // choice stands after exactly the texts smaller than it.
    PrototypeSummary summary;
    size_t smallerThanChoice = 0;
    bool choiceListed = false;
    ForEachPrototype(source, headerLibrary, [&](std::string_view text) {
        const int order = CompareNoCase(text, choice);
        if (order < 0)
            ++smallerThanChoice;
        else if (order == 0)
            choiceListed = true;
        if (summary.count == 0 || CompareNoCase(text, summary.first) < 0)
            summary.first.assign(text);
        ++summary.count;
    });
    if (choiceListed)
        summary.choiceIndex = static_cast<long>(smallerThanChoice);
    return summary;
}

std::string ListedReturnWordsText()
{
    std::string text;
    for (size_t i = 0; i < kListedReturnWords.size(); ++i) {
        if (i > 0)
            text += i + 1 == kListedReturnWords.size() ? " or " : ", ";
        text += kListedReturnWords[i];
    }
    return text;
}

LongLines FindLongLines(LineSource& source, size_t keep)
{
    LongLines found;
    int line = 1;
    bool counted = false; // the current line is counted
    std::string_view piece = source.NextLine();
    while (!piece.empty()) {
        const bool endsLine = piece.back() == '\n';
        const bool full = !endsLine && piece.size() == kMaxLinePiece;
        piece = source.NextLine();
        if (full && !piece.empty() && !counted) {
            ++found.count;
            if (found.first.size() < keep)
                found.first.push_back(line);
            counted = true;
        }
        if (endsLine) {
            ++line;
            counted = false;
        }
    }
    return found;
}

std::string NoRoutinesMessage(std::string_view path, const LongLines& longLines)
{
    std::string message(path);
    if (IsHeaderLibrary(path)) {
        message += " holds no routines: no one-line declaration in it returns " + ListedReturnWordsText() + '.';
    } else {
        message += " holds no routines: no line begins with \"";
        message += kPrototypeMarkerSemicolon;
        message += "\" or \"";
        message += kPrototypeMarkerAt;
        message += "\".";
    }
    if (longLines.count > 0) {
        const bool one = longLines.count == 1;
        message += "\n\n" + std::to_string(longLines.count) + (one ? " line is" : " lines are") + " longer than "
            + std::to_string(kMaxLinePiece) + " bytes and read in pieces: " + (one ? "line " : "lines ");
        for (size_t i = 0; i < longLines.first.size(); ++i) {
            if (i > 0)
                message +=
                    i + 1 == longLines.first.size() && longLines.count == longLines.first.size() ? " and " : ", ";
            message += std::to_string(longLines.first[i]);
        }
        if (longLines.count > longLines.first.size())
            message += " and " + std::to_string(longLines.count - longLines.first.size()) + " more";
        message += '.';
    }
    message += "\n\ntovel-cli check ";
    message += path;
    message += " names every line that Tovel skips or reads differently.";
    return message;
}

} // namespace tovel
