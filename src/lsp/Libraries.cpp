#include "lsp/Libraries.h"

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "assist/RoutineBlocks.h"
#include "composer/CallText.h"
#include "library/LibraryList.h"
#include "library/LineReader.h"

#include <filesystem>
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

void Load(LoadedLibrary& library)
{
    library.version.Note(library.path);
    library.routines.clear();
    library.lint.clear();
    const auto panels = cli::ReadRoutinePanels(library.path);
    if (!panels) {
        const std::string problem = cli::FormatReadError(panels.Error());
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
    std::unordered_set<std::string> seen;
    for (const cli::RoutinePanel& routine : *panels) {
        auto snippet = cli::MakeSnippet(library.path, routine);
        if (!snippet || !seen.insert(snippet->key).second)
            continue;
        LibraryRoutine entry;
        entry.libraryPath = library.path;
        entry.prototype = routine.prototype;
        entry.line = snippet->key;
        entry.name = snippet->prefix;
        entry.panel = routine.panel;
        for (int k = 0; k < routine.panel.nParams; ++k) {
            const auto i = static_cast<size_t>(k);
            entry.slots.push_back(
                DescribeSlot(library.path, routine.panel.names[i], routine.panel.hints[i], routine.panel.values[i]));
        }
        entry.plainBody = cli::MakeSnippet(library.path, routine, false)->body;
        std::vector<std::string> names(routine.panel.names.begin(),
                                       routine.panel.names.begin() + routine.panel.nParams);
        entry.callText = ComposeCallText(routine.panel.function, names, routine.panel.extraNames);
        entry.snippet = std::move(*snippet);
        library.routines.push_back(std::move(entry));
    }
    library.lint = cli::MakeLintRoutines(library.path, *panels);
}

} // namespace

std::string AbsolutePath(const std::string& path, const std::string& base)
{
    std::filesystem::path p(path);
    if (p.is_relative() && !base.empty())
        p = std::filesystem::path(base) / p;
    std::error_code error;
    const auto absolute = std::filesystem::absolute(p, error);
    return (error ? p : absolute).lexically_normal().string();
}

LibrarySet::LibrarySet(LibrarySources sources) : m_sources(std::move(sources)) {}

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
    m_byName.clear();
    m_lint.clear();
    for (const auto& library : m_libraries) {
        for (const LibraryRoutine& routine : library->routines)
            m_byName[routine.name].push_back(&routine);
        for (const auto& [name, rules] : library->lint)
            m_lint.emplace(name, rules);
    }
}

std::vector<const LibraryRoutine*> LibrarySet::Find(std::string_view name) const
{
    const auto found = m_byName.find(std::string(name));
    return found == m_byName.end() ? std::vector<const LibraryRoutine*>() : found->second;
}

bool LibrarySet::IsLibrary(const std::string& path) const
{
    for (const auto& library : m_libraries)
        if (library->path == path)
            return true;
    return false;
}

} // namespace tovel::lsp
