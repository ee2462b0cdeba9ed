#include "lsp/Server.h"
#include "lsp/Stdio.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

#include <vector>

namespace tovel::lsp {

namespace {

void WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return; // the client is gone; the input's end follows
        bytes.remove_prefix(static_cast<size_t>(wrote));
    }
}

// True when input can be read at once.
bool InputWaiting()
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return ::poll(&input, 1, 0) > 0 && (input.revents & (POLLIN | POLLHUP)) != 0;
}

} // namespace

int RunStdioServer(const std::string& settingsPath)
{
    ServerEnvironment environment;
    environment.settingsPath = settingsPath;
    environment.write = [](std::string_view bytes) { WriteAll(STDOUT_FILENO, bytes); };
    environment.log = [](std::string_view line) {
        std::string text(line);
        text += '\n';
        WriteAll(STDERR_FILENO, text);
    };
    Server server(std::move(environment));
    std::vector<char> block(64 * 1024);
    while (!server.Finished()) {
        // Everything that is waiting is taken before the documents are
        // judged, so a burst of changes is judged once, at its last text.
        bool ended = false;
        do {
            const ssize_t got = ::read(STDIN_FILENO, block.data(), block.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                ended = true;
                break;
            }
            server.Receive(std::string_view(block.data(), static_cast<size_t>(got)));
        } while (!server.Finished() && InputWaiting());
        if (ended)
            server.EndOfInput();
        if (!server.Finished())
            server.Idle();
    }
    return server.ExitStatus();
}

} // namespace tovel::lsp
