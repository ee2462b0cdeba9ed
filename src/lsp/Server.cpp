#include "lsp/Server.h"

#include "assist/LibraryCheck.h"
#include "assist/Lint.h"
#include "assist/Routine.h"
#include "assist/RoutineBlocks.h"
#include "assist/Snippets.h"
#include "common/ByteText.h"
#include "common/RoutineName.h"
#include "common/Version.h"
#include "composer/CallText.h"
#include "lsp/CallContext.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <unordered_set>

namespace tovel::lsp {

namespace {

using json = nlohmann::json;

constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

// Completion items kind and the most routines offered in one answer.
constexpr int kKindText = 1;
constexpr int kKindFunction = 3;
constexpr int kKindValue = 12;
constexpr size_t kMaxRoutineItems = 100;
// The lines of a routine's source block a hover shows.
constexpr size_t kHoverBlockLines = 12;

struct Document {
    std::string path; // the file's path, or the URI for a document that is no file
    std::string text;
    std::optional<int64_t> version;
};

// The member at the end of a path of object keys, or nullptr.
const json* At(const json& value, std::initializer_list<const char*> path)
{
    const json* at = &value;
    for (const char* key : path) {
        if (!at->is_object())
            return nullptr;
        const auto found = at->find(key);
        if (found == at->end())
            return nullptr;
        at = &*found;
    }
    return at;
}

bool Flag(const json& value, std::initializer_list<const char*> path)
{
    const json* at = At(value, path);
    return at && at->is_boolean() && at->get<bool>();
}

bool HoldsString(const json* list, std::string_view text)
{
    if (!list || !list->is_array())
        return false;
    return std::any_of(list->begin(), list->end(), [&](const json& item) { return item.is_string() && item == text; });
}

// A parameter the request cannot be served with.
class BadParams : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A position of a request; its members must be integers.
Position PositionFrom(const json& position)
{
    const json& line = position.at("line");
    const json& character = position.at("character");
    if (!line.is_number_integer() || !character.is_number_integer())
        throw BadParams("a position's line and character must be integers");
    return {line.get<int64_t>(), character.get<int64_t>()};
}

json PositionJson(Position position)
{
    return {{"line", position.line}, {"character", position.character}};
}

json RangeJson(Position start, Position end)
{
    return {{"start", PositionJson(start)}, {"end", PositionJson(end)}};
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty()
           && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// What a slot allows, in words.
std::string SlotWords(const SlotInfo& slot)
{
    switch (slot.kind) {
    case SlotKind::Choice:
        return "one of {" + slot.hint + "}";
    case SlotKind::OptionList:
        return "options {" + slot.hint + "}, joined with |";
    case SlotKind::Range:
        return slot.range->low + " to " + slot.range->high;
    case SlotKind::ToolProgram:
        return "a value from the program " + slot.tool + " (Tovel's window runs it when asked; this server does not)";
    case SlotKind::None:
        break;
    }
    return slot.hint;
}

// The byte spans of a prototype's parameter declarations, blanks trimmed.
std::vector<std::pair<size_t, size_t>> ParameterSpans(std::string_view prototype)
{
    std::vector<std::pair<size_t, size_t>> spans;
    const RoutineNamePlace place = FindRoutineName(prototype);
    const size_t open = prototype.find('(', place.offset + place.length);
    if (open == std::string_view::npos)
        return spans;
    int depth = 0;
    size_t start = open + 1;
    const auto add = [&](size_t end) {
        size_t a = start, b = end;
        while (a < b && (prototype[a] == ' ' || prototype[a] == '\t'))
            ++a;
        while (b > a && (prototype[b - 1] == ' ' || prototype[b - 1] == '\t'))
            --b;
        if (b > a && prototype.substr(a, b - a) != "void")
            spans.emplace_back(a, b);
    };
    for (size_t i = open + 1; i < prototype.size(); ++i) {
        const char c = prototype[i];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth == 0) {
                add(i);
                return spans;
            }
            --depth;
        } else if (c == ',' && depth == 0) {
            add(i);
            start = i + 1;
        }
    }
    add(prototype.size());
    return spans;
}

// The edit distance of two names, letter case ignored, a swap of two
// neighbours counting one: for the nearest option names.
size_t Distance(std::string_view a, std::string_view b)
{
    const size_t width = b.size() + 1;
    std::vector<size_t> d((a.size() + 1) * width);
    const auto at = [&](size_t i, size_t j) -> size_t& { return d[i * width + j]; };
    for (size_t i = 0; i <= a.size(); ++i)
        at(i, 0) = i;
    for (size_t j = 0; j <= b.size(); ++j)
        at(0, j) = j;
    const auto same = [](char x, char y) { return AsciiLower(x) == AsciiLower(y); };
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            at(i, j) =
                std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
            if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(a.size(), b.size());
}

// How many nearest option names a fix offers.
constexpr size_t kNearestNames = 3;
// Longer names are no typing slip of an option name.
constexpr size_t kMaxNameCompared = 256;

} // namespace

struct Server::State {
    ServerEnvironment env;
    MessageReader reader;
    bool initialized = false;
    Encoding encoding = Encoding::Utf16;
    bool snippets = false;
    bool choices = false;
    bool markdown = false;
    LibrarySources sources;
    std::unique_ptr<LibrarySet> libraries;
    std::map<std::string, Document> documents;
    std::set<std::string> dirty;
    uint64_t judgedGeneration = 0; // the libraries' generation the documents were last judged by

    void Send(const json& message) { env.write(Frame(message.dump(-1, ' ', false, json::error_handler_t::replace))); }
    void Respond(const json& id, json result) { Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}); }
    void Fail(const json& id, int code, const std::string& message)
    {
        Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
    }
    void Notify(const char* method, json params)
    {
        Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
    }
    void Log(const std::string& line)
    {
        if (env.log)
            env.log("tovel-cli lsp: " + line);
    }

    LibrarySet& Libraries()
    {
        if (!libraries)
            libraries = std::make_unique<LibrarySet>(sources);
        for (const std::string& message : libraries->Refresh())
            Notify("window/showMessage", {{"type", 1}, {"message", ShownText(message)}});
        return *libraries;
    }

    void Initialize(const json& id, const json& params);
    void Open(const json& params);
    void Change(const json& params);
    void Close(const json& params);
    void Publish(const std::string& uri);
    json Completion(const json& params);
    json SignatureHelp(const json& params);
    json Hover(const json& params);
    json Definition(const json& params);
    json CodeActions(const json& params);
    json RoutineItem(const LibraryRoutine& routine, const json& editRange) const;

    json LintDiagnostic(const cli::LintFinding& finding, const LineIndex& index) const
    {
        const Position start =
            index.PositionAt(static_cast<size_t>(finding.line - 1), static_cast<size_t>(finding.column - 1), encoding);
        const Position end = finding.endLine > 0
            ? index.PositionAt(static_cast<size_t>(finding.endLine - 1), static_cast<size_t>(finding.endColumn - 1),
                               encoding)
            : start;
        return {{"range", RangeJson(start, end)},
                {"severity", 2},
                {"source", "tovel"},
                {"code", finding.code},
                {"message", ShownText(finding.message)}};
    }

    // The document and the byte offset a request's position names.
    const Document* DocumentAt(const json& params, size_t& offset)
    {
        const std::string uri = params.at("textDocument").at("uri").get<std::string>();
        const auto found = documents.find(uri);
        if (found == documents.end())
            return nullptr;
        const json& position = params.at("position");
        const LineIndex index(found->second.text);
        offset = index.Offset(PositionFrom(position), encoding);
        return &found->second;
    }

    // The identifier under the cursor of a request and where it starts; empty
    // when the document is unknown or no name stands there.
    std::string_view NameAt(const json& params, const Document*& document, size_t& start)
    {
        size_t offset = 0;
        document = DocumentAt(params, offset);
        return document ? IdentifierAt(document->text, offset, start) : std::string_view();
    }
};

void Server::State::Initialize(const json& id, const json& params)
{
    const json* capabilities = At(params, {"capabilities"});
    if (capabilities) {
        if (HoldsString(At(*capabilities, {"general", "positionEncodings"}), "utf-8"))
            encoding = Encoding::Utf8;
        snippets = Flag(*capabilities, {"textDocument", "completion", "completionItem", "snippetSupport"});
        markdown = HoldsString(At(*capabilities, {"textDocument", "hover", "contentFormat"}), "markdown");
    }
    if (const json* options = At(params, {"initializationOptions"})) {
        choices = snippets && Flag(*options, {"choiceSnippets"});
        if (const json* named = At(*options, {"libraries"})) {
            if (named->is_string())
                sources.named.push_back(named->get<std::string>());
            else if (named->is_array())
                for (const json& path : *named)
                    if (path.is_string() && !path.get<std::string>().empty())
                        sources.named.push_back(path.get<std::string>());
        }
    }
    const json* rootUri = At(params, {"rootUri"});
    const json* folders = At(params, {"workspaceFolders"});
    const json* rootPath = At(params, {"rootPath"});
    if (rootUri && rootUri->is_string())
        sources.root = UriToPath(rootUri->get<std::string>());
    else if (folders && folders->is_array() && !folders->empty() && At((*folders)[0], {"uri"})
             && At((*folders)[0], {"uri"})->is_string())
        sources.root = UriToPath(At((*folders)[0], {"uri"})->get<std::string>());
    else if (rootPath && rootPath->is_string())
        sources.root = rootPath->get<std::string>();
    sources.settingsPath = env.settingsPath;
    initialized = true;

    json capabilitiesOut = {
        {"positionEncoding", encoding == Encoding::Utf8 ? "utf-8" : "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
        {"completionProvider", {{"triggerCharacters", {"(", ",", "|"}}, {"resolveProvider", false}}},
        {"signatureHelpProvider", {{"triggerCharacters", {"(", ","}}}},
        {"hoverProvider", true},
        {"definitionProvider", true},
        {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
    };
    Respond(id,
            {{"capabilities", capabilitiesOut}, {"serverInfo", {{"name", "tovel-cli lsp"}, {"version", kVersion}}}});
}

void Server::State::Open(const json& params)
{
    const json& item = params.at("textDocument");
    const std::string uri = item.at("uri").get<std::string>();
    Document document;
    document.path = UriToPath(uri);
    if (document.path.empty())
        document.path = uri;
    document.text = item.at("text").get<std::string>();
    if (const json* version = At(item, {"version"}); version && version->is_number_integer())
        document.version = version->get<int64_t>();
    documents[uri] = std::move(document);
    dirty.insert(uri);
}

void Server::State::Change(const json& params)
{
    const json& item = params.at("textDocument");
    const std::string uri = item.at("uri").get<std::string>();
    const auto found = documents.find(uri);
    if (found == documents.end())
        return;
    Document& document = found->second;
    for (const json& change : params.at("contentChanges")) {
        const std::string& text = change.at("text").get_ref<const std::string&>();
        if (const json* range = At(change, {"range"})) {
            const LineIndex index(document.text);
            const auto offset = [&](const json& position) { return index.Offset(PositionFrom(position), encoding); };
            const size_t start = offset(range->at("start"));
            const size_t end = std::max(start, offset(range->at("end")));
            document.text.replace(start, end - start, text);
        } else {
            document.text = text;
        }
    }
    if (const json* version = At(item, {"version"}); version && version->is_number_integer())
        document.version = version->get<int64_t>();
    dirty.insert(uri);
}

void Server::State::Close(const json& params)
{
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    documents.erase(uri);
    dirty.erase(uri);
    Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
}

void Server::State::Publish(const std::string& uri)
{
    const auto found = documents.find(uri);
    if (found == documents.end())
        return;
    const Document& document = found->second;
    LibrarySet& set = Libraries();
    const LineIndex index(document.text);
    json diagnostics = json::array();
    const auto add = [&](Position start, Position end, int severity, std::string_view code, const std::string& text) {
        diagnostics.push_back({{"range", RangeJson(start, end)},
                               {"severity", severity},
                               {"source", "tovel"},
                               {"code", code},
                               {"message", ShownText(text)}});
    };
    const std::string path = AbsolutePath(document.path, {});
    if (set.IsLibrary(path)) {
        const auto checked = cli::CheckLibrary(cli::TextInput::Text(path, document.text));
        if (checked) {
            for (const cli::Diagnostic& d : *checked) {
                if (d.file != path || d.line < 1)
                    continue;
                const auto line = static_cast<size_t>(d.line - 1);
                const size_t from = d.column > 0 ? static_cast<size_t>(d.column - 1) : 0;
                const size_t to =
                    d.column > 0 ? static_cast<size_t>(std::max(d.columnEnd, d.column) - 1) : index.Line(line).size();
                add(index.PositionAt(line, from, encoding), index.PositionAt(line, to, encoding),
                    d.severity == cli::Severity::Error ? 1 : 2, d.code, d.message);
            }
        }
    } else {
        for (const cli::LintFinding& finding : cli::LintText(document.text, set.Lint()))
            diagnostics.push_back(LintDiagnostic(finding, index));
    }
    json params = {{"uri", uri}, {"diagnostics", std::move(diagnostics)}};
    if (document.version)
        params["version"] = *document.version;
    Notify("textDocument/publishDiagnostics", std::move(params));
}

json Server::State::CodeActions(const json& params)
{
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const auto found = documents.find(uri);
    json actions = json::array();
    if (found == documents.end())
        return actions;
    const std::string_view text = found->second.text;
    const LineIndex index(text);
    const json& range = params.at("range");
    const auto offsetOf = [&](const json& position) { return index.Offset(PositionFrom(position), encoding); };
    const size_t from = offsetOf(range.at("start"));
    const size_t to = offsetOf(range.at("end"));
    LibrarySet& set = Libraries();
    for (const cli::LintFinding& finding : cli::LintText(text, set.Lint())) {
        const size_t start =
            index.OffsetAt(static_cast<size_t>(finding.line - 1), static_cast<size_t>(finding.column - 1));
        const size_t end =
            index.OffsetAt(static_cast<size_t>(finding.endLine - 1), static_cast<size_t>(finding.endColumn - 1));
        if (end < from || start > to)
            continue;
        const json diagnostic = LintDiagnostic(finding, index);
        const auto fix = [&](const std::string& title, size_t a, size_t b, const std::string& newText) {
            json edit = {{"range", RangeJson(index.PositionOf(a, encoding), index.PositionOf(b, encoding))},
                         {"newText", ShownText(newText)}};
            actions.push_back({{"title", ShownText(title)},
                               {"kind", "quickfix"},
                               {"diagnostics", json::array({diagnostic})},
                               {"edit", {{"changes", {{uri, json::array({std::move(edit)})}}}}}});
        };
        if (finding.code == cli::kLintArgumentCount) {
            const size_t open = text.find('(', end);
            const size_t close = open == std::string_view::npos ? open : FindClosingParen(text, open);
            const std::vector<LibraryRoutine> routines = set.Find(text.substr(start, end - start));
            if (close == std::string_view::npos || routines.empty())
                continue;
            const CallContext context = FindCallContext(text, close);
            const bool none = Trim(text.substr(open + 1, close - open - 1)).empty();
            const size_t given = none ? 0 : context.argument + 1;
            const ParameterPanelModel& panel = routines.front().panel;
            std::vector<std::string> names(panel.names.begin(), panel.names.begin() + panel.nParams);
            names.insert(names.end(), panel.extraNames.begin(), panel.extraNames.end());
            if (given >= names.size())
                continue;
            std::string missing;
            for (size_t k = given; k < names.size(); ++k)
                missing += (missing.empty() ? "" : ",") + names[k];
            fix("Add the missing arguments: " + missing, close, close, (given > 0 ? "," : "") + missing);
            continue;
        }
        const CallContext context = FindCallContext(text, start);
        const std::vector<LibraryRoutine> routines =
            context.inCall ? set.Find(context.name) : std::vector<LibraryRoutine>();
        if (routines.empty() || context.argument >= routines.front().slots.size())
            continue;
        const SlotInfo& slot = routines.front().slots[context.argument];
        if (finding.code == cli::kLintOutOfRange && slot.range) {
            fix("Set to " + slot.range->low, start, end, slot.range->low);
            fix("Set to " + slot.range->high, start, end, slot.range->high);
        } else if (finding.code == cli::kLintUnknownOption) {
            // Each name of the argument that is not an option gets its nearest options.
            for (size_t at = start; at < end;) {
                size_t nameStart = 0;
                const std::string_view name = IdentifierAt(text, at, nameStart);
                if (name.empty()) {
                    ++at;
                    continue;
                }
                at = nameStart + name.size() + 1;
                if (name.size() > kMaxNameCompared
                    || std::find(slot.items.begin(), slot.items.end(), name) != slot.items.end())
                    continue;
                std::vector<std::pair<size_t, size_t>> nearest; // distance, item
                for (size_t i = 0; i < slot.items.size(); ++i)
                    if (!slot.items[i].empty())
                        nearest.emplace_back(Distance(name, slot.items[i]), i);
                std::stable_sort(nearest.begin(), nearest.end());
                for (size_t k = 0; k < nearest.size() && k < kNearestNames; ++k)
                    fix("Replace " + std::string(name) + " with " + slot.items[nearest[k].second], nameStart,
                        nameStart + name.size(), slot.items[nearest[k].second]);
            }
        }
    }
    return actions;
}

// A routine as a completion item: its call as the client can insert it.
json Server::State::RoutineItem(const LibraryRoutine& routine, const json& editRange) const
{
    const cli::RoutinePanel panel{routine.prototype, true, routine.panel};
    const std::optional<cli::Snippet> snippet = cli::MakeSnippet(routine.libraryPath, panel, choices);
    std::string insert;
    if (snippets && snippet) {
        insert = snippet->body;
    } else {
        const std::vector<std::string> names(routine.panel.names.begin(),
                                             routine.panel.names.begin() + routine.panel.nParams);
        insert = ComposeCallText(routine.panel.function, names, routine.panel.extraNames);
    }
    const std::string shownName = ShownText(routine.name);
    const std::string shownInsert = ShownText(insert);
    json item = {{"label", shownName},
                 {"kind", kKindFunction},
                 {"detail", ShownText(routine.line)},
                 {"filterText", shownName},
                 {"insertTextFormat", snippets ? 2 : 1},
                 {"insertText", shownInsert},
                 {"textEdit", {{"range", editRange}, {"newText", shownInsert}}}};
    const std::string_view description = snippet ? std::string_view(snippet->description) : std::string_view();
    const size_t lineEnd = description.find('\n');
    if (lineEnd != std::string_view::npos)
        item["documentation"] = {{"kind", "plaintext"}, {"value", ShownText(description.substr(lineEnd + 1))}};
    return item;
}

json Server::State::Completion(const json& params)
{
    size_t offset = 0;
    const Document* document = DocumentAt(params, offset);
    json items = json::array();
    if (!document)
        return {{"isIncomplete", false}, {"items", items}};
    LibrarySet& set = Libraries();
    const std::string_view text = document->text;
    const LineIndex index(text);
    const std::string_view typed = IdentifierBefore(text, offset);
    const json editRange =
        RangeJson(index.PositionOf(offset - typed.size(), encoding), index.PositionOf(offset, encoding));
    const json here = RangeJson(index.PositionOf(offset, encoding), index.PositionOf(offset, encoding));

    const CallContext context = FindCallContext(text, offset);
    const std::vector<LibraryRoutine> called = context.inCall ? set.Find(context.name) : std::vector<LibraryRoutine>();
    if (!called.empty()) {
        const LibraryRoutine& routine = called.front();
        if (context.argument < routine.slots.size()) {
            const SlotInfo& slot = routine.slots[context.argument];
            const std::string detail = slot.name + " of " + routine.name;
            const auto value = [&](const std::string& item, size_t order) {
                const std::string shown = ShownText(item);
                items.push_back({{"label", shown},
                                 {"kind", kKindValue},
                                 {"detail", ShownText(detail)},
                                 {"sortText", std::to_string(10000 + order)},
                                 {"filterText", shown},
                                 {"insertTextFormat", 1},
                                 {"insertText", shown},
                                 {"textEdit", {{"range", editRange}, {"newText", shown}}}});
            };
            // A note that inserts nothing: the range, or the program the window would run.
            const auto note = [&](const std::string& label, const std::string& about) {
                items.push_back({{"label", ShownText(label)},
                                 {"kind", kKindText},
                                 {"detail", ShownText(about)},
                                 {"sortText", "10000"},
                                 {"insertTextFormat", 1},
                                 {"insertText", ""},
                                 {"textEdit", {{"range", here}, {"newText", ""}}}});
            };
            if (slot.kind == SlotKind::Choice) {
                for (size_t i = 0; i < slot.items.size(); ++i)
                    if (!slot.items[i].empty())
                        value(slot.items[i], i);
            } else if (slot.kind == SlotKind::OptionList) {
                // The names already in the argument, less the one being typed.
                const std::string_view argument = text.substr(context.argumentOffset, offset - context.argumentOffset);
                std::unordered_set<std::string_view> used;
                size_t start = 0;
                for (size_t bar = argument.find('|'); bar != std::string_view::npos; bar = argument.find('|', start)) {
                    used.insert(Trim(argument.substr(start, bar - start)));
                    start = bar + 1;
                }
                for (size_t i = 0; i < slot.items.size(); ++i)
                    if (!slot.items[i].empty() && !used.count(slot.items[i]))
                        value(slot.items[i], i);
            } else if (slot.kind == SlotKind::Range) {
                note(slot.name + ": " + slot.range->low + " to " + slot.range->high,
                     "the range of " + detail + "; type a value in it");
            } else if (slot.kind == SlotKind::ToolProgram) {
                note(slot.name + ": from " + slot.tool,
                     "Tovel's window runs " + slot.tool + " to find " + detail + "; this server never runs it");
            }
        }
        if (!items.empty() || typed.empty())
            return {{"isIncomplete", false}, {"items", items}};
    }

    bool cut = false;
    std::unordered_set<std::string_view> seen;
    for (const auto& library : set.Libraries()) {
        const PackedRoutines& routines = library->routines;
        for (size_t i = 0; i < routines.Size() && !cut; ++i) {
            const std::string_view name = routines.Name(i);
            if (!typed.empty() && !StartsWithNoCase(name, typed))
                continue;
            std::string_view line = routines.Prototype(i);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.remove_suffix(1);
            if (!seen.insert(line).second)
                continue;
            if (items.size() == kMaxRoutineItems) {
                cut = true;
                break;
            }
            items.push_back(RoutineItem(set.Routine(*library, i), editRange));
        }
        if (cut)
            break;
    }
    return {{"isIncomplete", cut}, {"items", items}};
}

json Server::State::SignatureHelp(const json& params)
{
    size_t offset = 0;
    const Document* document = DocumentAt(params, offset);
    if (!document)
        return nullptr;
    const CallContext context = FindCallContext(document->text, offset);
    if (!context.inCall)
        return nullptr;
    const std::vector<LibraryRoutine> routines = Libraries().Find(context.name);
    if (routines.empty())
        return nullptr;
    json signatures = json::array();
    for (const LibraryRoutine& routine : routines) {
        const std::string label = ShownText(routine.line);
        json parameters = json::array();
        const auto spans = ParameterSpans(label);
        for (size_t k = 0; k < spans.size(); ++k) {
            const std::string_view view(label);
            json parameter = {{"label",
                               {UnitsOf(view.substr(0, spans[k].first), encoding),
                                UnitsOf(view.substr(0, spans[k].second), encoding)}}};
            if (k < routine.slots.size()) {
                const std::string words = SlotWords(routine.slots[k]);
                if (!words.empty())
                    parameter["documentation"] = ShownText(routine.slots[k].name + ": " + words);
            }
            parameters.push_back(std::move(parameter));
        }
        signatures.push_back({{"label", label}, {"parameters", std::move(parameters)}});
    }
    return {{"signatures", std::move(signatures)}, {"activeSignature", 0}, {"activeParameter", context.argument}};
}

json Server::State::Hover(const json& params)
{
    const Document* document = nullptr;
    size_t start = 0;
    const std::string_view name = NameAt(params, document, start);
    if (name.empty())
        return nullptr;
    const std::vector<LibraryRoutine> routines = Libraries().Find(name);
    if (routines.empty())
        return nullptr;
    std::string text;
    for (const LibraryRoutine& routine : routines) {
        if (!text.empty())
            text += "\n---\n\n";
        text += "```c\n" + routine.line + "\n```\n\n";
        for (const SlotInfo& slot : routine.slots) {
            const std::string words = SlotWords(slot);
            text += "- " + slot.name + (words.empty() ? std::string() : ": " + words) + "\n";
        }
        for (const std::string& extra : routine.panel.extraNames)
            text += "- " + extra + "\n";
        text += "\nLibrary: " + routine.libraryPath + "\n";
        const cli::RoutineView view = cli::LoadRoutine(routine.libraryPath, routine.prototype, true);
        if (!view.block.empty()) {
            std::string_view block = view.block;
            size_t end = 0;
            for (size_t line = 0; line < kHoverBlockLines && end != std::string_view::npos; ++line)
                end = block.find('\n', end == 0 && line == 0 ? 0 : end + 1);
            if (end != std::string_view::npos)
                block = block.substr(0, end);
            while (!block.empty() && (block.back() == '\n' || block.back() == '\r'))
                block.remove_suffix(1);
            std::string lines;
            for (const char byte : block)
                if (byte != '\r')
                    lines += byte;
            const bool c = EndsWith(view.sourcePath, ".c") || EndsWith(view.sourcePath, ".C");
            text += "\n```" + std::string(c ? "c" : "asm") + "\n" + lines + "\n```\n";
        }
    }
    const LineIndex index(document->text);
    return {{"contents", {{"kind", markdown ? "markdown" : "plaintext"}, {"value", ShownText(text)}}},
            {"range", RangeJson(index.PositionOf(start, encoding), index.PositionOf(start + name.size(), encoding))}};
}

json Server::State::Definition(const json& params)
{
    const Document* document = nullptr;
    size_t start = 0;
    const std::string_view name = NameAt(params, document, start);
    if (name.empty())
        return nullptr;
    json locations = json::array();
    for (const LibraryRoutine& routine : Libraries().Find(name)) {
        const cli::RoutineView view = cli::LoadRoutine(routine.libraryPath, routine.prototype, false);
        if (!view.prototypeFound)
            continue;
        int line = 0;
        const auto located = cli::LocateStartLines(view.sourcePath, std::vector<std::string>{routine.prototype},
                                                   [&](size_t, const cli::StartLine& startLine) {
                                                       if (!startLine.lines.empty())
                                                           line = startLine.lines.front().line;
                                                   });
        if (!located || line < 1)
            continue;
        const Position at{line - 1, 0};
        locations.push_back({{"uri", PathToUri(AbsolutePath(view.sourcePath, {}))}, {"range", RangeJson(at, at)}});
    }
    if (locations.empty())
        return nullptr;
    return locations;
}

Server::Server(ServerEnvironment environment) : m_state(std::make_unique<State>())
{
    m_state->env = std::move(environment);
}

Server::~Server() = default;

void Server::Receive(std::string_view bytes)
{
    m_state->reader.Feed(bytes);
    std::string body;
    while (!m_finished) {
        const MessageReader::Got got = m_state->reader.Next(body);
        if (got == MessageReader::Got::Nothing)
            break;
        if (got == MessageReader::Got::Problem)
            m_state->Log("skipped input: " + body);
        else
            Handle(body);
    }
}

void Server::Idle()
{
    State& s = *m_state;
    if (!s.initialized || m_shutDown || m_finished)
        return;
    // When the libraries changed, every open document is judged again.
    if (!s.documents.empty()) {
        const uint64_t generation = s.Libraries().Generation();
        if (generation != s.judgedGeneration)
            for (const auto& [uri, document] : s.documents)
                s.dirty.insert(uri);
        s.judgedGeneration = generation;
    }
    const std::set<std::string> dirty = std::move(s.dirty);
    s.dirty.clear();
    for (const std::string& uri : dirty)
        s.Publish(uri);
}

void Server::EndOfInput()
{
    m_finished = true;
}

void Server::Handle(std::string_view body)
{
    State& s = *m_state;
    const json message = json::parse(RepairUtf8(body), nullptr, false);
    if (message.is_discarded()) {
        s.Log("a message that is not JSON");
        s.Fail(nullptr, kParseError, "the message is not JSON");
        return;
    }
    if (!message.is_object()) {
        s.Fail(nullptr, kInvalidRequest, "a message must be a JSON object");
        return;
    }
    const json* idMember = At(message, {"id"});
    const bool validId = idMember && (idMember->is_number_integer() || idMember->is_string());
    const json id = validId ? *idMember : json();
    const json* method = At(message, {"method"});
    if (!method || !method->is_string()) {
        if (idMember && (message.contains("result") || message.contains("error")))
            return; // an answer to a request of ours
        s.Fail(id, kInvalidRequest, "a message without a method");
        return;
    }
    if (idMember && !validId) {
        s.Fail(nullptr, kInvalidRequest, "an id must be a number or a string");
        return;
    }
    const std::string& name = method->get_ref<const std::string&>();
    const bool request = validId;
    static const json kNoParams = json::object();
    const json* paramsMember = At(message, {"params"});
    const json& params = paramsMember ? *paramsMember : kNoParams;

    if (name == "exit") {
        m_finished = true;
        return;
    }
    if (!s.initialized) {
        if (request && name == "initialize")
            s.Initialize(id, params.is_object() ? params : kNoParams);
        else if (request)
            s.Fail(id, kServerNotInitialized, "the server is not initialized");
        return;
    }
    if (m_shutDown) {
        if (request)
            s.Fail(id, kInvalidRequest, "the server is shut down");
        return;
    }
    try {
        if (!request) {
            if (name == "initialized")
                s.Libraries();
            else if (name == "textDocument/didOpen")
                s.Open(params);
            else if (name == "textDocument/didChange")
                s.Change(params);
            else if (name == "textDocument/didClose")
                s.Close(params);
            // Any other notification ($/cancelRequest, $/setTrace, didSave, ...) is ignored.
            return;
        }
        if (name == "initialize")
            s.Fail(id, kInvalidRequest, "the server is initialized already");
        else if (name == "shutdown") {
            m_shutDown = true;
            s.Respond(id, nullptr);
        } else if (name == "textDocument/completion")
            s.Respond(id, s.Completion(params));
        else if (name == "textDocument/signatureHelp")
            s.Respond(id, s.SignatureHelp(params));
        else if (name == "textDocument/hover")
            s.Respond(id, s.Hover(params));
        else if (name == "textDocument/definition")
            s.Respond(id, s.Definition(params));
        else if (name == "textDocument/codeAction")
            s.Respond(id, s.CodeActions(params));
        else
            s.Fail(id, kMethodNotFound, "unknown method " + name);
    } catch (const json::exception& error) {
        s.Log(name + ": " + error.what());
        if (request)
            s.Fail(id, kInvalidParams, error.what());
    } catch (const BadParams& error) {
        s.Log(name + ": " + error.what());
        if (request)
            s.Fail(id, kInvalidParams, error.what());
    } catch (const std::exception& error) {
        s.Log(name + ": " + error.what());
        if (request)
            s.Fail(id, kInternalError, error.what());
    }
}

} // namespace tovel::lsp
