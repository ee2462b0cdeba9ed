// Synthetic libraries for the benchmarks: assembler libraries with prototype
// comments, hint lines, code lines and ENDMOD lines, and header libraries
// with one declaration per line among comments and other lines. The text is
// the same for the same arguments on every machine.
#pragma once

#include <cstddef>
#include <string>

namespace tovel::bench {

struct GeneratedLibrary {
    std::string text;          // the file's bytes, CR LF line ends
    size_t listed = 0;         // routines the function list shows
    std::string lastPrototype; // the last listed prototype text, in file order
};

// n routines, each in a block of about 200 bytes closed by an ENDMOD line,
// all of them listed.
GeneratedLibrary GenerateAssemblerLibrary(size_t n);

// n one-line declarations, each with a comment line and a #define line
// around it; one in eight returns void and is not listed.
GeneratedLibrary GenerateHeaderLibrary(size_t n);

} // namespace tovel::bench
