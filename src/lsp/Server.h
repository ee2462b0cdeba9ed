// The language server: the protocol's lifecycle, the documents the client
// has open, and the answers from the library's routines (completion,
// signature help, hover, definition, code actions) and from the call
// linter and the library check (diagnostics). It reads and writes bytes
// only through its caller, which owns the input and output.
#pragma once

#include "lsp/Framing.h"
#include "lsp/Libraries.h"
#include "lsp/Text.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tovel::lsp {

struct ServerEnvironment {
    std::string settingsPath;                    // Tovel's settings file, or empty
    std::function<void(std::string_view)> write; // framed messages for the client
    std::function<void(std::string_view)> log;   // one line for standard error
};

class Server {
public:
    explicit Server(ServerEnvironment environment);
    ~Server();

    // Bytes from the client: every whole message in them is handled at once.
    void Receive(std::string_view bytes);
    // No more input is waiting: the documents changed since the last call
    // get their diagnostics, once each, from their latest text.
    void Idle();
    // The client's input ended.
    void EndOfInput();

    // An exit notification came (or the input ended).
    bool Finished() const { return m_finished; }
    // 0 after an orderly shutdown, 1 otherwise.
    int ExitStatus() const { return m_shutDown ? 0 : 1; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    bool m_finished = false;
    bool m_shutDown = false;
    friend struct ServerAccess;
    void Handle(std::string_view body);
};

} // namespace tovel::lsp
