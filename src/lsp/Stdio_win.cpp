#include "lsp/Server.h"
#include "lsp/Stdio.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace tovel::lsp {

namespace {

void WriteAll(HANDLE handle, std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD wrote = 0;
        const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        if (!WriteFile(handle, bytes.data(), size, &wrote, nullptr) || wrote == 0)
            return;
        bytes.remove_prefix(wrote);
    }
}

// True when input can be read at once (a pipe with bytes in it).
bool InputWaiting(HANDLE input)
{
    DWORD available = 0;
    return PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) && available > 0;
}

} // namespace

int RunStdioServer(const std::string& settingsPath)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    ServerEnvironment environment;
    environment.settingsPath = settingsPath;
    environment.write = [output](std::string_view bytes) { WriteAll(output, bytes); };
    environment.log = [errors](std::string_view line) {
        std::string text(line);
        text += "\r\n";
        WriteAll(errors, text);
    };
    Server server(std::move(environment));
    std::vector<char> block(64 * 1024);
    while (!server.Finished()) {
        bool ended = false;
        do {
            DWORD got = 0;
            if (!ReadFile(input, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) || got == 0) {
                ended = true;
                break;
            }
            server.Receive(std::string_view(block.data(), got));
        } while (!server.Finished() && InputWaiting(input));
        if (ended)
            server.EndOfInput();
        if (!server.Finished())
            server.Idle();
    }
    return server.ExitStatus();
}

} // namespace tovel::lsp
