// Diagnostics for library authors: what the dialog skips silently or reads
// differently from what the author meant.
#pragma once

#include "assist/ReadError.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovel::cli {

enum class Severity { Error, Warning };

// A kind of finding: its stable code ("no-hint-line", "range-empty", ...),
// which tools may match on, and its severity.
struct DiagnosticKind {
    std::string_view code;
    Severity severity;
};

struct Diagnostic {
    std::string file;
    int line = 0; // physical line, from 1
    std::string message;
    int column = 0;    // byte column it begins at, from 1; 0: the whole line
    int columnEnd = 0; // the byte column after it; 0 with column 0
    Severity severity = Severity::Warning;
    std::string_view code; // its kind's code
};

// "FILE:LINE: message"
std::string FormatDiagnostic(const Diagnostic& diagnostic);

// Checks an assembler library (its prototype comment lines, hint lines and
// source blocks) or a header library (its listed declarations and the ".s"
// or ".c" file of each, checked like an assembler library's routine).
// Diagnostics come in the order of the library's lines; the ones about a
// header routine's source file follow its declaration. The reason when the
// library itself cannot be read. A library given as text is read from it;
// the files it names still come from the disk.
ReadResult<std::vector<Diagnostic>> CheckLibrary(const TextInput& library);
ReadResult<std::vector<Diagnostic>> CheckLibrary(const std::string& libraryPath);

} // namespace tovel::cli
