#include "lsp/Libraries.h"

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "assist/RoutineBlocks.h"
#include "common/RoutineName.h"
#include "library/LibraryList.h"
#include "library/LineReader.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <system_error>
#include <unordered_set>

namespace tovel::lsp {

namespace {

std::string_view TrimLine(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

// Records are written behind each other into blocks of this size (a longer
// record gets a block of its own), so the routines grow without moving.
constexpr size_t kRecordBlock = 256 * 1024;
// The flag byte of a record: the panel's function label is the routine name.
constexpr char kFunctionIsName = 1;
// The routines whose call rules are kept between lint passes, at most.
constexpr size_t kLintRulesKept = 16384;

void PutSize(std::string& out, size_t n)
{
    while (n >= 0x80) {
        out += static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    out += static_cast<char>(n);
}

void PutText(std::string& out, std::string_view text)
{
    PutSize(out, text.size());
    out.append(text);
}

// Reads a record's fields in the order they were put.
class RecordReader {
public:
    explicit RecordReader(std::string_view record) : m_record(record) {}
    char Byte() { return m_at < m_record.size() ? m_record[m_at++] : '\0'; }
    size_t Size()
    {
        size_t n = 0;
        for (int shift = 0; m_at < m_record.size(); shift += 7) {
            const auto byte = static_cast<unsigned char>(m_record[m_at++]);
            n |= static_cast<size_t>(byte & 0x7F) << shift;
            if (byte < 0x80)
                break;
        }
        return n;
    }
    std::string_view Text()
    {
        const size_t n = std::min(Size(), m_record.size() - m_at);
        const std::string_view text = m_record.substr(m_at, n);
        m_at += n;
        return text;
    }

private:
    std::string_view m_record;
    size_t m_at = 0;
};

// Reads the library's routines: every item of the function list whose
// prototype comment line was found and that has a routine name, each list
// line once (its first such item).
void Load(LoadedLibrary& library)
{
    library.version.Note(library.path);
    library.routines.Clear();
    // The lines whose items so far had no prototype comment line or no name.
    std::unordered_set<std::string> unusable;
    const auto failure = cli::VisitRoutinePanels(library.path, [&](const cli::RoutinePanel& routine, bool first) {
        const bool usable = routine.found && FindRoutineName(routine.prototype).length > 0;
        if (first && !usable) {
            unusable.insert(ListLine(routine.prototype));
            return;
        }
        if (!usable || (!first && unusable.erase(ListLine(routine.prototype)) == 0))
            return;
        library.routines.Add(routine.prototype, routine.panel);
    });
    library.routines.Seal();
    if (failure) {
        library.routines.Clear();
        const std::string problem = cli::FormatReadError(*failure);
        if (problem != library.problem)
            library.reported = false;
        library.problem = problem;
        library.readable = false;
        library.version.Forget();
        return;
    }
    library.readable = true;
    library.problem.clear();
    library.reported = false;
}

size_t HashOf(std::string_view name)
{
    return std::hash<std::string_view>()(name);
}

} // namespace

uint64_t PackedRoutines::Put(std::string_view bytes)
{
    if (m_blocks.empty() || m_blocks.back().size() + bytes.size() > m_blocks.back().capacity()) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(std::max(kRecordBlock, bytes.size()));
    }
    std::string& block = m_blocks.back();
    const uint64_t at = static_cast<uint64_t>(m_blocks.size() - 1) << 32 | block.size();
    block.append(bytes);
    return at;
}

std::string_view PackedRoutines::At(uint64_t at) const
{
    return std::string_view(m_blocks[at >> 32]).substr(at & 0xFFFFFFFFu);
}

size_t PackedRoutines::TextNumber(std::string_view text)
{
    const auto known = m_numbers.find(text);
    if (known != m_numbers.end())
        return known->second;
    std::string bytes;
    PutText(bytes, text);
    const uint64_t at = Put(bytes);
    const auto number = static_cast<uint32_t>(m_texts.size());
    m_texts.push_back(at);
    m_numbers.emplace(At(at).substr(bytes.size() - text.size(), text.size()), number);
    return number;
}

std::string_view PackedRoutines::Text(size_t number) const
{
    return RecordReader(At(m_texts[number])).Text();
}

void PackedRoutines::Add(std::string_view prototype, const ParameterPanelModel& panel)
{
    const RoutineNamePlace place = FindRoutineName(prototype);
    const std::string_view name = prototype.substr(place.offset, place.length);
    std::string record;
    record += panel.function == name ? kFunctionIsName : '\0';
    PutText(record, prototype);
    PutSize(record, place.offset);
    PutSize(record, place.length);
    PutSize(record, TextNumber(panel.type));
    if (panel.function != name)
        PutSize(record, TextNumber(panel.function));
    const auto slots = static_cast<size_t>(std::max(panel.nParams, 0));
    PutSize(record, slots);
    for (size_t k = 0; k < slots; ++k) {
        PutSize(record, TextNumber(panel.names[k]));
        PutSize(record, TextNumber(panel.hints[k]));
        PutSize(record, TextNumber(panel.values[k]));
    }
    PutSize(record, panel.extraNames.size());
    for (const std::string& extra : panel.extraNames)
        PutSize(record, TextNumber(extra));
    m_at.push_back(Put(record));
}

void PackedRoutines::Seal()
{
    m_numbers = {};
    m_at.shrink_to_fit();
    m_texts.shrink_to_fit();
}

void PackedRoutines::Clear()
{
    m_blocks = {};
    m_at = {};
    m_texts = {};
    m_numbers = {};
}

std::string_view PackedRoutines::Prototype(size_t i) const
{
    RecordReader reader(At(m_at[i]));
    reader.Byte();
    return reader.Text();
}

std::string_view PackedRoutines::Name(size_t i) const
{
    RecordReader reader(At(m_at[i]));
    reader.Byte();
    const std::string_view prototype = reader.Text();
    const size_t offset = reader.Size();
    return prototype.substr(offset, reader.Size());
}

bool PackedRoutines::FunctionIsName(size_t i) const
{
    return At(m_at[i]).front() == kFunctionIsName;
}

ParameterPanelModel PackedRoutines::Panel(size_t i) const
{
    RecordReader reader(At(m_at[i]));
    const bool functionIsName = reader.Byte() == kFunctionIsName;
    const std::string_view prototype = reader.Text();
    const size_t offset = reader.Size();
    const std::string_view name = prototype.substr(offset, reader.Size());
    ParameterPanelModel panel;
    panel.type = std::string(Text(reader.Size()));
    panel.function = std::string(functionIsName ? name : Text(reader.Size()));
    const size_t slots = reader.Size();
    panel.nParams = static_cast<int>(slots);
    for (size_t k = 0; k < slots; ++k) {
        panel.names.emplace_back(Text(reader.Size()));
        panel.hints.emplace_back(Text(reader.Size()));
        panel.values.emplace_back(Text(reader.Size()));
    }
    const size_t extras = reader.Size();
    for (size_t k = 0; k < extras; ++k)
        panel.extraNames.emplace_back(Text(reader.Size()));
    return panel;
}

// The call rules of the set's routines, each name's built when the linter
// first meets it and kept for the next passes.
class LibrarySet::LintRules : public cli::LintLookup {
public:
    explicit LintRules(const LibrarySet& set) : m_set(set)
    {
        for (const Place place : set.m_places)
            if (set.m_libraries[place.library]->routines.FunctionIsName(place.routine)) {
                m_any = true;
                break;
            }
    }
    bool Empty() const override { return !m_any; }
    const std::vector<cli::LintRoutine>* Find(const std::string& name) const override
    {
        const uint32_t first = m_set.FirstNamed(name);
        if (first == UINT32_MAX)
            return nullptr;
        auto found = m_built.find(first);
        if (found == m_built.end()) {
            // The first library that has a routine of the name the linter judges gives the rules.
            std::vector<cli::LintRoutine> rules;
            uint32_t library = UINT32_MAX;
            for (uint32_t p = first; p != UINT32_MAX; p = m_set.m_next[p]) {
                const Place place = m_set.m_places[p];
                const LoadedLibrary& loaded = *m_set.m_libraries[place.library];
                if ((library != UINT32_MAX && place.library != library)
                    || !loaded.routines.FunctionIsName(place.routine))
                    continue;
                library = place.library;
                rules.push_back(cli::MakeLintRoutine(loaded.path, loaded.routines.Prototype(place.routine),
                                                     loaded.routines.Panel(place.routine)));
            }
            found = m_built.emplace(first, std::move(rules)).first;
        }
        return found->second.empty() ? nullptr : &found->second;
    }
    // Forgets the rules built when they are many (never while a pass runs).
    void Trim() const
    {
        if (m_built.size() > kLintRulesKept)
            m_built.clear();
    }

private:
    const LibrarySet& m_set;
    bool m_any = false;
    mutable std::unordered_map<uint32_t, std::vector<cli::LintRoutine>> m_built;
};

std::string AbsolutePath(const std::string& path, const std::string& base)
{
    std::filesystem::path p(path);
    if (p.is_relative() && !base.empty())
        p = std::filesystem::path(base) / p;
    std::error_code error;
    const auto absolute = std::filesystem::absolute(p, error);
    return (error ? p : absolute).lexically_normal().string();
}

LibrarySet::LibrarySet(LibrarySources sources)
    : m_sources(std::move(sources)), m_lint(std::make_unique<LintRules>(*this))
{
}

LibrarySet::~LibrarySet() = default;

std::vector<std::string> LibrarySet::ListPaths()
{
    std::vector<std::string> paths;
    if (!m_sources.named.empty()) {
        for (const std::string& path : m_sources.named)
            paths.push_back(AbsolutePath(path, m_sources.root));
        return paths;
    }
    if (!m_sources.root.empty()) {
        const std::string project = AbsolutePath(std::string(kProjectFileName), m_sources.root);
        m_projectVersion.Note(project);
        FileLineReader reader;
        if (reader.Open(project)) {
            // A long line comes in pieces: they are joined up to its line feed.
            std::string line;
            for (std::string_view piece = reader.NextLine(); !piece.empty(); piece = reader.NextLine()) {
                line.append(piece);
                if (line.back() != '\n' && !reader.AtEnd())
                    continue;
                while (!line.empty() && line.back() == '\n')
                    line.pop_back();
                const std::string_view entry = TrimLine(line);
                if (!entry.empty() && entry.front() != '#')
                    paths.push_back(AbsolutePath(std::string(entry), m_sources.root));
                line.clear();
            }
            if (!paths.empty())
                return paths;
        }
    }
    if (!m_sources.settingsPath.empty()) {
        m_settingsVersion.Note(m_sources.settingsPath);
        const SettingsFile settings(m_sources.settingsPath);
        std::vector<std::string> listed = settings.KeyNames(setting::kLibrariesSection);
        const StartLibrary start = ChooseStartLibrary(listed, settings.Read(setting::kLibrary));
        if (!start.path.empty())
            paths.push_back(start.path);
        SortLibraryList(listed);
        for (const std::string& path : listed)
            if (path != start.path && PathExists(path))
                paths.push_back(path);
    }
    return paths;
}

std::vector<std::string> LibrarySet::Refresh()
{
    bool changed = false;
    const bool listChanged = !m_listed
        || (m_sources.named.empty() && !m_sources.root.empty()
            && !m_projectVersion.IsCurrent(AbsolutePath(std::string(kProjectFileName), m_sources.root)))
        || (m_sources.named.empty() && !m_sources.settingsPath.empty()
            && !m_settingsVersion.IsCurrent(m_sources.settingsPath));
    if (listChanged) {
        std::vector<std::string> paths = ListPaths();
        m_listed = true;
        if (paths != m_paths) {
            m_paths = std::move(paths);
            std::vector<std::unique_ptr<LoadedLibrary>> kept;
            for (const std::string& path : m_paths) {
                std::unique_ptr<LoadedLibrary> library;
                for (auto& old : m_libraries)
                    if (old && old->path == path)
                        library = std::move(old);
                if (!library) {
                    library = std::make_unique<LoadedLibrary>();
                    library->path = path;
                }
                kept.push_back(std::move(library));
            }
            m_libraries = std::move(kept);
            changed = true;
        }
    }
    std::vector<std::string> messages;
    for (auto& library : m_libraries) {
        if (!library->version.IsCurrent(library->path)) {
            Load(*library);
            changed = true;
        }
        if (!library->readable && !library->reported) {
            messages.push_back(library->problem);
            library->reported = true;
        }
    }
    if (changed)
        Rebuild();
    return messages;
}

void LibrarySet::Rebuild()
{
    ++m_generation;
    m_places.clear();
    for (size_t library = 0; library < m_libraries.size(); ++library)
        for (size_t routine = 0; routine < m_libraries[library]->routines.Size(); ++routine)
            m_places.push_back({static_cast<uint32_t>(library), static_cast<uint32_t>(routine)});
    m_places.shrink_to_fit();
    size_t size = 16;
    while (size < 2 * m_places.size())
        size *= 2;
    m_table.assign(size, UINT32_MAX);
    m_next.assign(m_places.size(), UINT32_MAX);
    // From the last place back, each one goes before the chain of its name,
    // so that every chain runs in library and list order.
    for (size_t p = m_places.size(); p-- > 0;) {
        const std::string_view name = NameOf(m_places[p]);
        size_t slot = HashOf(name) & (size - 1);
        while (m_table[slot] != UINT32_MAX && NameOf(m_places[m_table[slot]]) != name)
            slot = (slot + 1) & (size - 1);
        m_next[p] = m_table[slot];
        m_table[slot] = static_cast<uint32_t>(p);
    }
    m_lint = std::make_unique<LintRules>(*this);
}

uint32_t LibrarySet::FirstNamed(std::string_view name) const
{
    const size_t size = m_table.size();
    if (size == 0)
        return UINT32_MAX;
    for (size_t slot = HashOf(name) & (size - 1);; slot = (slot + 1) & (size - 1))
        if (m_table[slot] == UINT32_MAX || NameOf(m_places[m_table[slot]]) == name)
            return m_table[slot];
}

LibraryRoutine LibrarySet::Routine(const LoadedLibrary& library, size_t i) const
{
    LibraryRoutine routine;
    routine.libraryPath = library.path;
    routine.prototype = std::string(library.routines.Prototype(i));
    routine.line = ListLine(routine.prototype);
    routine.name = std::string(library.routines.Name(i));
    routine.panel = library.routines.Panel(i);
    for (size_t k = 0; k < routine.panel.names.size(); ++k)
        routine.slots.push_back(
            DescribeSlot(library.path, routine.panel.names[k], routine.panel.hints[k], routine.panel.values[k]));
    return routine;
}

std::vector<LibraryRoutine> LibrarySet::Find(std::string_view name) const
{
    std::vector<LibraryRoutine> routines;
    for (uint32_t p = FirstNamed(name); p != UINT32_MAX; p = m_next[p])
        routines.push_back(Routine(*m_libraries[m_places[p].library], m_places[p].routine));
    return routines;
}

const cli::LintLookup& LibrarySet::Lint() const
{
    m_lint->Trim();
    return *m_lint;
}

bool LibrarySet::IsLibrary(const std::string& path) const
{
    for (const auto& library : m_libraries)
        if (library->path == path)
            return true;
    return false;
}

} // namespace tovel::lsp
