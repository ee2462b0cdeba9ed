#include "cli/Command.h"

#include "assist/Routine.h"
#include "assist/RoutineBlocks.h"
#include "assist/Snippets.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tovel::cli {

namespace {

constexpr std::string_view kSnippetsSynopsis = R"([LIBRARY] [--format vscode|ultisnips|lsp]
                         [--output FILE])";

constexpr std::string_view kSnippetsHelp = R"(
Prints editor snippets for the library's routines, one per routine: the
trigger is the routine name, the body the call that Copy composes, with a
placeholder per parameter slot. A choice slot offers its items, an option
list slot its single options (the whole list is in the description, to
combine them with '|'), a range or any other slot offers the parameter's
name (the description names the range). Parameters past the sixteenth keep
their names. The description carries the prototype.

Formats:
  vscode      (the default) a .code-snippets file: save it as
              .vscode/LIBRARY.code-snippets in a project
  ultisnips   an UltiSnips file, such as ~/.vim/UltiSnips/c.snippets
              (choices become their first item)
  lsp         a JSON array of completion items with snippet text, for
              editors and language-server set-ups that take snippet lists

A routine whose prototype comment line is not found, or whose prototype
names no routine, gets no snippet (a note on standard error says so).

Options:
  --format FORMAT         vscode, ultisnips or lsp
  -o, --output FILE       write the snippets to FILE instead of standard
                          output; FILE is replaced only once the whole text
                          is written, so a failure leaves it as it was
  -l, --library LIBRARY   the library (instead of the one current in Tovel)
  -h, --help              this text
)";

// A file written through a temporary file beside it, which replaces it
// only once the whole text is written and closed.
class OutputFile {
public:
    explicit OutputFile(std::string path) : m_path(std::move(path))
    {
        std::random_device random;
        for (int attempt = 0; attempt < 8 && !m_file; ++attempt) {
            m_temp = m_path + ".tmp-" + std::to_string(random() % 1000000000u);
            errno = 0;
#ifdef _WIN32
            m_file = std::fopen(m_temp.c_str(), "wb"); // not every C runtime there knows "x"
#else
            m_file = std::fopen(m_temp.c_str(), "wbx"); // never one that is there already
#endif
        }
        if (!m_file)
            m_problem = m_temp + ": " + (errno ? std::strerror(errno) : "it cannot be created");
    }
    ~OutputFile()
    {
        if (m_file) {
            std::fclose(m_file);
            std::remove(m_temp.c_str());
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& Problem() const
    {
        return m_problem;
    }

    std::string Write(std::string_view text)
    {
        errno = 0;
        if (m_file && std::fwrite(text.data(), 1, text.size(), m_file) != text.size())
            return Failed();
        return {};
    }

    // Closes the temporary file and puts it in the place of the file.
    std::string Commit()
    {
        errno = 0;
        const bool flushed = std::fflush(m_file) == 0 && !std::ferror(m_file);
        if (!flushed)
            return Failed();
        std::FILE* file = std::exchange(m_file, nullptr);
        errno = 0;
        if (std::fclose(file) != 0) {
            std::remove(m_temp.c_str());
            return m_path + ": " + (errno ? std::strerror(errno) : "it cannot be written");
        }
        std::error_code error;
        std::filesystem::rename(m_temp, m_path, error);
        if (error) {
            std::remove(m_temp.c_str());
            return m_path + ": " + error.message();
        }
        return {};
    }

private:
    std::string Failed()
    {
        return m_path + ": " + (errno ? std::strerror(errno) : "it cannot be written");
    }

    std::string m_path, m_temp, m_problem;
    std::FILE* m_file = nullptr;
};

int Snippets(CommandRun& run, const Arguments& a)
{
    std::optional<std::string> named = a.library;
    if (a.positionals.size() > 1 || (a.library && !a.positionals.empty()))
        return run.Usage("too many arguments");
    if (!a.positionals.empty())
        named = a.positionals[0];
    const auto format = ParseSnippetFormat(a.format.value_or("vscode"));
    if (!format)
        return run.Usage("unknown format '" + *a.format + "' (vscode, ultisnips or lsp)");
    const auto library = run.Library(named);
    if (!library)
        return kExitFailed;

    // With --output the text goes to a temporary file beside FILE, which
    // replaces FILE only once it is whole.
    std::optional<OutputFile> file;
    if (a.output) {
        file.emplace(*a.output);
        if (!file->Problem().empty())
            return run.Fail(CannotWriteMessage(file->Problem()));
    }
    if (file)
        run.sink = [&](std::string_view text) { return file->Write(text); };
    // Each snippet is written as it is made: the library's routines are
    // never held as snippets, nor the output whole.
    bool any = false;
    run.out += SnippetsHead(*format);
    const auto failure = VisitRoutinePanels(*library, [&](const RoutinePanel& routine, bool firstOfItsLine) {
        if (!run.writeProblem.empty())
            return;
        if (!HasRoutineName(routine.prototype)) {
            run.err += "tovel-cli: no snippet: " + NoRoutineNameMessage(routine.prototype) + "\n";
            return;
        }
        const auto snippet = MakeSnippet(*library, routine);
        if (!snippet) {
            run.err += "tovel-cli: no snippet for '" + ListLine(routine.prototype)
                + "': its prototype comment line is not found\n";
            return;
        }
        if (!firstOfItsLine)
            return;
        run.out += SnippetEntry(*snippet, *format, !any);
        any = true;
        run.Drain();
    });
    if (failure) {
        run.out.clear();
        run.sink = run.env.writeOut;
        return run.Unreadable(*failure);
    }
    run.out += SnippetsTail(*format, any);
    run.Drain(true);
    run.sink = run.env.writeOut;
    if (file) {
        if (run.writeProblem.empty())
            run.writeProblem = file->Commit();
        if (!run.writeProblem.empty())
            return run.WriteFailed();
    }
    return kExitDone;
}

} // namespace

const Command kSnippetsCommand = {"snippets", kSnippetsSynopsis, kFormatOption | kOutputOption | kLibraryOption,
                                  kSnippetsHelp, Snippets};

} // namespace tovel::cli
