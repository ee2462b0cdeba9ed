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

struct LibraryRoutine {
    std::string libraryPath;
    std::string prototype; // the function list's item
    std::string line;      // the same as one line (ListLine)
    std::string name;      // its routine name
    ParameterPanelModel panel;
    std::vector<SlotInfo> slots; // slots 1..n
    cli::Snippet snippet;        // with choice placeholders
    std::string plainBody;       // the snippet without them
    std::string callText;        // the call with the parameters' names, no placeholders
};

struct LoadedLibrary {
    std::string path;
    tovel::ListedVersion version;
    bool readable = false;
    std::string problem; // why it cannot be read
    bool reported = false;
    std::vector<LibraryRoutine> routines;
    cli::LintRoutines lint;
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

    // Reads what changed since the last call: the list of libraries and
    // every library whose file is not the version read. Returns the
    // messages for the client about libraries that cannot be read, each
    // once until it can be read again.
    std::vector<std::string> Refresh();

    const std::vector<std::unique_ptr<LoadedLibrary>>& Libraries() const { return m_libraries; }
    // The routines named name, in library order.
    std::vector<const LibraryRoutine*> Find(std::string_view name) const;
    // The call rules of every library (the first library's routine wins a name).
    const cli::LintRoutines& Lint() const { return m_lint; }
    // Whether path is one of the libraries.
    bool IsLibrary(const std::string& path) const;
    // Counts the times the routines changed (a library read again, the list changed).
    uint64_t Generation() const { return m_generation; }

private:
    std::vector<std::string> ListPaths();
    void Rebuild();

    LibrarySources m_sources;
    tovel::ListedVersion m_projectVersion, m_settingsVersion;
    bool m_listed = false;
    std::vector<std::string> m_paths;
    std::vector<std::unique_ptr<LoadedLibrary>> m_libraries;
    std::unordered_map<std::string, std::vector<const LibraryRoutine*>> m_byName;
    cli::LintRoutines m_lint;
    uint64_t m_generation = 0;
};

// A path as the server keeps it: absolute (relative ones taken from base),
// with "." and ".." resolved.
std::string AbsolutePath(const std::string& path, const std::string& base);

} // namespace tovel::lsp
