// Scans one library into its sorted function list, as the function list's
// drop-down does, and writes the list to standard output, one text a line:
//   tovel_scan FILE
// This is the command that the comparison times against grep | sort -f and
// ctags, and whose peak memory it measures.
#include "library/LineReader.h"
#include "library/Scanner.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    tovel::FileLineReader reader;
    if (!reader.Open(path)) {
        std::fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[1]);
        return 1;
    }
    tovel::TextList items = tovel::CollectPrototypeList(reader, tovel::IsHeaderLibrary(path));
    tovel::SortFunctionList(items);

    // One write per block of output rather than one per item.
    std::string out;
    out.reserve(1 << 16);
    for (const std::string_view item : items) {
        out += item;
        out += '\n';
        if (out.size() >= (1 << 16) - 512) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    // The list is not taken apart one string at a time on the way out: the
    // dialog keeps its list, and the system takes the memory back at once.
    std::_Exit(std::fflush(stdout) == 0 ? 0 : 1);
}
