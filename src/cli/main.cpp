// tovel-cli: Tovel's main job from a terminal, an editor or a script.
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "cli/Cli.h"
#include "cli/Clipboard.h"
#include "common/Version.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
    using namespace tovel;
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    cli::CliEnvironment environment;
    environment.settingsPath = [argv] {
        const std::string appPath = AppPathFromExecutable(cli::ExecutablePath(argv[0]));
        return SettingsFolder(appPath, CanCreateFilesIn(appPath), UserConfigDir()) + std::string(kSettingsFileName);
    };
    environment.copyToClipboard = [](const std::string& text) {
        return cli::CopyToClipboard(text, cli::CurrentClipboardEnvironment());
    };
    // What a command prints goes out as it grows; a write that fails, and
    // the last flush and close of standard output, fail the command.
    std::string writeProblem;
    const auto write = [&writeProblem](std::string_view text) {
        errno = 0;
        if (writeProblem.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
            writeProblem = errno ? std::strerror(errno) : "the write failed";
        return writeProblem;
    };
    environment.writeOut = write;
    std::string out, err;
    int status = 0;
    if (args.size() == 1 && args[0] == "--version")
        out = std::string("tovel-cli ") + kVersion + "\n";
    else
        status = cli::RunCli(args, environment, out, err);
    write(out);
    errno = 0;
    if (writeProblem.empty() && (std::fflush(stdout) != 0 || std::ferror(stdout)))
        writeProblem = errno ? std::strerror(errno) : "the write failed";
    errno = 0;
    if (std::fclose(stdout) != 0 && writeProblem.empty())
        writeProblem = errno ? std::strerror(errno) : "the output cannot be closed";
    if (!writeProblem.empty() && err.find(cli::CannotWriteMessage("")) == std::string::npos) {
        err += "tovel-cli: " + cli::CannotWriteMessage(writeProblem) + "\n";
        status = cli::kExitFailed;
    }
    std::fwrite(err.data(), 1, err.size(), stderr);
    return status;
}
