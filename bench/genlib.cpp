// Writes a synthetic library for the benchmarks:
//   tovel_genlib asm|header N FILE
// prints the number of routines the function list will show.
#include "LibraryGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s asm|header N FILE\n", argv[0]);
        return 2;
    }
    const std::string kind = argv[1];
    char* end = nullptr;
    const unsigned long long n = std::strtoull(argv[2], &end, 10);
    if ((kind != "asm" && kind != "header") || end == argv[2] || *end != '\0') {
        std::fprintf(stderr, "usage: %s asm|header N FILE\n", argv[0]);
        return 2;
    }
    const tovel::bench::GeneratedLibrary lib =
        kind == "asm" ? tovel::bench::GenerateAssemblerLibrary(n) : tovel::bench::GenerateHeaderLibrary(n);
    std::FILE* out = std::fopen(argv[3], "wb");
    if (!out || std::fwrite(lib.text.data(), 1, lib.text.size(), out) != lib.text.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    std::printf("%zu\n", lib.listed);
    return 0;
}
