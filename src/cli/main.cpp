// tovel-cli: Tovel's main job from a terminal, an editor or a script.
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "cli/Cli.h"
#include "cli/Clipboard.h"
#include "common/Version.h"

#include <cstdio>

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
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("tovel-cli %s\n", kVersion);
        return 0;
    }
    cli::CliEnvironment environment;
    environment.settingsPath = [argv] {
        const std::string appPath = AppPathFromExecutable(cli::ExecutablePath(argv[0]));
        return SettingsFolder(appPath, CanCreateFilesIn(appPath), UserConfigDir()) + std::string(kSettingsFileName);
    };
    environment.copyToClipboard = [](const std::string& text) {
        return cli::CopyToClipboard(text, cli::CurrentClipboardEnvironment());
    };
    std::string out, err;
    const int status = cli::RunCli(args, environment, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return status;
}
