// The library checker on a library (assembler or header, with one source
// file beside a header) written from the input: it must not fail, and the
// one-pass look-up of start lines must agree with reading the file from the
// top for each prototype, as the source view does.
// fuzz-max-len: 65536
#include "FuzzSupport.h"

#include "assist/LibraryCheck.h"
#include "assist/Routine.h"
#include "assist/RoutineBlocks.h"
#include "common/ByteText.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

std::string Folder()
{
    static const std::string folder = [] {
        std::string path = std::filesystem::temp_directory_path().string() + "/tovel-check-fuzz-"
            + std::to_string(static_cast<long>(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void Write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The first line of the file where the prototype starts its block, read
// from the top: the piece index, or -1.
long NaiveStart(const std::string& path, const std::string& prototype)
{
    tovel::FileLineReader reader(path);
    long index = 0;
    for (std::string line = reader.ReadLine(); !line.empty(); line = reader.ReadLine(), ++index)
        if (tovel::IsBlockStartLine(line, prototype))
            return index;
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tovel::fuzz::Input input(data, size);
    const bool header = input.Bool();
    const std::string library = Folder() + (header ? "/lib.h" : "/lib.s");
    std::error_code error;
    std::filesystem::remove(Folder() + "/lib.h", error);
    std::filesystem::remove(Folder() + "/lib.s", error);
    const std::string libraryText = header ? input.Until("\n==\n") : input.Rest();
    Write(library, libraryText);
    std::string source;
    if (header) {
        // The source of the first listed declaration gets the rest.
        tovel::StringLineReader reader(libraryText);
        const auto items = tovel::CollectPrototypes(reader, true);
        if (!items.empty()) {
            source = tovel::SourcePathFor(library, items.front());
            if (tovel::LastPathSep(source) == static_cast<int>(Folder().size()) && source.size() > Folder().size() + 1)
                Write(source, input.Rest());
            else
                source.clear();
        }
    }

    const auto diagnostics = tovel::cli::CheckLibrary(library);
    FUZZ_CHECK(diagnostics.has_value());
    for (const auto& d : *diagnostics) {
        FUZZ_CHECK(d.line >= 1);
        FUZZ_CHECK(d.file == library || d.file == source || d.file == tovel::CVariantPath(source));
    }

    const std::string scanned = header ? source : library;
    if (!scanned.empty() && tovel::CanOpenForReading(scanned)) {
        tovel::FileLineReader reader(library);
        std::vector<std::string> prototypes = tovel::CollectPrototypes(reader, header);
        if (prototypes.size() > 64)
            prototypes.resize(64);
        std::map<std::string, long> starts;
        const auto located =
            tovel::cli::LocateStartLines(scanned, prototypes, [&](size_t k, const tovel::cli::StartLine& start) {
                starts.emplace(prototypes[k], static_cast<long>(start.lines.front().index));
            });
        FUZZ_CHECK(located.has_value());
        for (const std::string& prototype : prototypes) {
            const long expected = NaiveStart(scanned, prototype);
            const auto found = starts.find(prototype);
            FUZZ_CHECK((found == starts.end()) == (expected < 0));
            if (expected >= 0)
                FUZZ_CHECK(found->second == expected);
        }
    }
    if (!source.empty())
        std::filesystem::remove(source, error);
    return 0;
}
