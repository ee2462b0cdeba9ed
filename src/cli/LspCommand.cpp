#include "cli/Command.h"

#ifdef TOVEL_HAVE_LSP
#include "lsp/Stdio.h"
#endif

namespace tovel::cli {

namespace {

constexpr std::string_view kLspSynopsis = "";

constexpr std::string_view kLspHelp = R"(
Runs a language server on standard input and output (the Language Server
Protocol, JSON-RPC messages with a Content-Length header), for editors that
speak it: completion of the library's routines, and inside a call of the
values the parameter under the cursor allows (its choice items, its option
names, its range, the helper program the window would run, which the server
never runs); signature help; hover with the prototype, the hints and the
start of the source block; go to definition of a routine's prototype
comment line; the warnings of 'lint' on the open C files as they are
typed (the diagnostics of 'check' on an open library file), with quick
fixes: a range's bound for a literal outside it, the nearest option names
for an unknown one, the missing parameters' names for too few arguments.

Libraries, the first of these that names any:
  - initializationOptions.libraries, a list of paths from the editor;
  - a file .tovel in the workspace root, one library path a line,
    relative to that folder ('#' starts a comment line);
  - the libraries registered in Tovel (its settings file is read, never
    written), the current one first.
A library that changes is read again at the next request; one that cannot
be read is reported once as a message to the editor.

initializationOptions.choiceSnippets true makes the inserted calls offer a
choice list's items as a snippet choice, for editors that show them.
docs/editors.md tells how to set up Neovim, Emacs, Helix, Kate and VS Code.

Exit status: 0 after the editor's shutdown request and exit, 1 when the
input ends or exit comes without shutdown.

Options:
  -h, --help              this text
)";

int Lsp(CommandRun& run, const Arguments& a)
{
    if (!a.positionals.empty())
        return run.Usage("too many arguments");
#ifdef TOVEL_HAVE_LSP
    return lsp::RunStdioServer(run.env.settingsPath ? run.env.settingsPath() : std::string());
#else
    return run.Fail("this tovel-cli was built without the language server (nlohmann/json.hpp was not found)");
#endif
}

} // namespace

const Command kLspCommand = {"lsp", kLspSynopsis, 0, kLspHelp, Lsp};

} // namespace tovel::cli
