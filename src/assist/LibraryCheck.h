// Diagnostics for library authors: what the dialog skips silently or reads
// differently from what the author meant.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tovel::cli {

struct Diagnostic {
    std::string file;
    int line = 0; // physical line, from 1
    std::string message;
};

// "FILE:LINE: message"
std::string FormatDiagnostic(const Diagnostic& diagnostic);

// Checks an assembler library (its prototype comment lines, hint lines and
// source blocks) or a header library (its listed declarations and the ".s"
// or ".c" file of each, checked like an assembler library's routine).
// Diagnostics come in the order of the library's lines; the ones about a
// header routine's source file follow its declaration. Nothing when the
// library itself cannot be read.
std::optional<std::vector<Diagnostic>> CheckLibrary(const std::string& libraryPath);

} // namespace tovel::cli
