// The language server on standard input and output.
#pragma once

#include <string>

namespace tovel::lsp {

// Serves the client on standard input and output until it exits or its
// input ends; log lines go to standard error. Returns the exit status: 0
// after a shutdown request, 1 otherwise.
int RunStdioServer(const std::string& settingsPath);

} // namespace tovel::lsp
