// The libraries a language server session knows: which ones (named by the
// client, by the project's ".tovel" file, or registered in Tovel's
// settings), each read once and read again when its file changes.
#pragma once

#include "assist/Lint.h"
#include "assist/Snippets.h"
#include "library/ListedVersion.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tovel::lsp {

// A routine with what the requests take from it, built when a request
// needs it.
struct LibraryRoutine {
    std::string libraryPath;
    std::string prototype; // the function list's item
    std::string line;      // the same as one line (ListLine)
    std::string name;      // its routine name
    ParameterPanelModel panel;
    std::vector<SlotInfo> slots; // slots 1..n
};

// The routines of one library in list order, packed: each one's record
// (list item, where its routine name stands in it, parameter panel) stands
// in one of a few large blocks, and the panel's texts (types, parameter
// names, hints), which repeat from routine to routine, stand there once each
// and are named by number. A library of many routines takes about the room
// of their prototypes.
class PackedRoutines {
public:
    void Add(std::string_view prototype, const ParameterPanelModel& panel);
    // The routines are all added: what only adding needs is let go.
    void Seal();
    void Clear();
    size_t Size() const { return m_at.size(); }
    std::string_view Prototype(size_t i) const;
    std::string_view Name(size_t i) const;
    // Whether the panel's function label is the routine name (a routine the linter judges).
    bool FunctionIsName(size_t i) const;
    ParameterPanelModel Panel(size_t i) const;

private:
    // Writes bytes into the blocks; where they stand (block << 32 | offset).
    uint64_t Put(std::string_view bytes);
    std::string_view At(uint64_t at) const;
    size_t TextNumber(std::string_view text);
    std::string_view Text(size_t number) const;

    std::vector<std::string> m_blocks;
    std::vector<uint64_t> m_at;                               // each routine's record
    std::vector<uint64_t> m_texts;                            // each text's place
    std::unordered_map<std::string_view, uint32_t> m_numbers; // text -> number, while adding
};

struct LoadedLibrary {
    std::string path;
    tovel::ListedVersion version;
    bool readable = false;
    std::string problem; // why it cannot be read
    bool reported = false;
    PackedRoutines routines;
};

// Where the list of libraries comes from, in this order: the client's
// libraries, the ".tovel" file in the workspace root (one path a line,
// relative to it; empty lines and lines starting with '#' are skipped), the
// libraries registered in Tovel's settings file (read, never written), the
// current one first.
struct LibrarySources {
    std::vector<std::string> named;
    std::string root;         // the workspace root folder, or empty
    std::string settingsPath; // Tovel's settings file, or empty
};

inline constexpr std::string_view kProjectFileName = ".tovel";

class LibrarySet {
public:
    explicit LibrarySet(LibrarySources sources);
    ~LibrarySet();

    // Reads what changed since the last call: the list of libraries and
    // every library whose file is not the version read. Returns the
    // messages for the client about libraries that cannot be read, each
    // once until it can be read again.
    std::vector<std::string> Refresh();

    const std::vector<std::unique_ptr<LoadedLibrary>>& Libraries() const { return m_libraries; }
    // The routine at place i of a library.
    LibraryRoutine Routine(const LoadedLibrary& library, size_t i) const;
    // The routines named name, in library order.
    std::vector<LibraryRoutine> Find(std::string_view name) const;
    // The call rules of every library (the first library with a routine of
    // a name gives that name's rules), built for the routines a text calls
    // as the linter meets them. Kept while the libraries stay as they are.
    const cli::LintLookup& Lint() const;
    // Whether path is one of the libraries.
    bool IsLibrary(const std::string& path) const;
    // Counts the times the routines changed (a library read again, the list changed).
    uint64_t Generation() const { return m_generation; }

private:
    class LintRules;
    struct Place {
        uint32_t library;
        uint32_t routine;
    };

    std::vector<std::string> ListPaths();
    void Rebuild();
    std::string_view NameOf(Place place) const { return m_libraries[place.library]->routines.Name(place.routine); }
    // The first of the places of the routines named name, or UINT32_MAX.
    uint32_t FirstNamed(std::string_view name) const;

    LibrarySources m_sources;
    tovel::ListedVersion m_projectVersion, m_settingsVersion;
    bool m_listed = false;
    std::vector<std::string> m_paths;
    std::vector<std::unique_ptr<LoadedLibrary>> m_libraries;
    // Every routine's place, in library and list order; those of one name
    // are chained (m_next), and an open-addressing table of each name's
    // first place finds them.
    std::vector<Place> m_places;
    std::vector<uint32_t> m_next;
    std::vector<uint32_t> m_table;
    std::unique_ptr<LintRules> m_lint;
    uint64_t m_generation = 0;
};

// A path as the server keeps it: absolute (relative ones taken from base),
// with "." and ".." resolved.
std::string AbsolutePath(const std::string& path, const std::string& base);

} // namespace tovel::lsp
