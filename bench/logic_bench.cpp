// Google Benchmark timings of the library logic on synthetic libraries of
// 1,000, 10,000 and 100,000 routines: the scan into the sorted function list
// (both kinds of library), the source block and the parameter panel of the
// last routine, the normalising of a header library's declarations, and
// Show's whole-file text with the source view's line index over it.
// Each family reports its fitted growth (BigO) across the three sizes.
#include "LibraryGenerator.h"

#include "common/ByteLines.h"
#include "composer/PrototypeParser.h"
#include "library/LineReader.h"
#include "library/RoutineSearch.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using tovel::bench::GeneratedLibrary;

// The libraries are written once, into a folder of their own that is removed
// when the program ends.
struct BenchLibrary {
    std::string path;
    GeneratedLibrary lib;
};

class LibraryFiles {
public:
    ~LibraryFiles()
    {
        std::error_code ec;
        if (!m_dir.empty())
            fs::remove_all(m_dir, ec);
    }

    const BenchLibrary& Get(bool header, size_t n)
    {
        const auto key = std::make_pair(header, n);
        auto it = m_libraries.find(key);
        if (it != m_libraries.end())
            return it->second;
        if (m_dir.empty()) {
#ifdef _WIN32
            m_dir = fs::temp_directory_path() / "tovel-bench";
#else
            m_dir = fs::temp_directory_path() / ("tovel-bench-" + std::to_string(::getpid()));
#endif
            fs::create_directories(m_dir);
        }
        BenchLibrary entry;
        entry.lib = header ? tovel::bench::GenerateHeaderLibrary(n) : tovel::bench::GenerateAssemblerLibrary(n);
        entry.path = (m_dir / ("lib" + std::to_string(n) + (header ? ".h" : ".s79"))).string();
        std::ofstream(entry.path, std::ios::binary) << entry.lib.text;
        return m_libraries.emplace(key, std::move(entry)).first->second;
    }

private:
    fs::path m_dir;
    std::map<std::pair<bool, size_t>, BenchLibrary> m_libraries;
};

LibraryFiles& Files()
{
    static LibraryFiles files;
    return files;
}

size_t Routines(const benchmark::State& state)
{
    return static_cast<size_t>(state.range(0));
}

void Finish(benchmark::State& state, const BenchLibrary& b)
{
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(b.lib.text.size()));
}

// Open, read every line, list, sort: what the function list's drop-down does
// before it fills the combo.
void ScanToSortedList(benchmark::State& state, bool header)
{
    const BenchLibrary& b = Files().Get(header, Routines(state));
    for (auto _ : state) {
        tovel::FileLineReader reader(b.path);
        tovel::TextList items = tovel::CollectPrototypeList(reader, header);
        tovel::SortFunctionList(items);
        if (items.size() != b.lib.listed) {
            state.SkipWithError("the scan listed the wrong number of routines");
            break;
        }
        benchmark::DoNotOptimize(items.front().data());
    }
    Finish(state, b);
}

void BM_ScanAssemblerLibrary(benchmark::State& state)
{
    ScanToSortedList(state, false);
}

void BM_ScanHeaderLibrary(benchmark::State& state)
{
    ScanToSortedList(state, true);
}

// The sort of the function list alone, on the listed texts in file order
// (the copy for each round is not timed).
void BM_SortFunctionList(benchmark::State& state)
{
    const BenchLibrary& b = Files().Get(false, Routines(state));
    tovel::TextList listed;
    {
        tovel::StringLineReader reader(b.lib.text);
        listed = tovel::CollectPrototypeList(reader, false);
    }
    for (auto _ : state) {
        state.PauseTiming();
        tovel::TextList items = listed;
        state.ResumeTiming();
        tovel::SortFunctionList(items);
        benchmark::DoNotOptimize(items.front().data());
        state.PauseTiming();
        items = {};
        state.ResumeTiming();
    }
    Finish(state, b);
}

// The worst case of choosing a function: its block is the last in the file.
void BM_SourceBlockOfLastRoutine(benchmark::State& state)
{
    const BenchLibrary& b = Files().Get(false, Routines(state));
    for (auto _ : state) {
        tovel::FileLineReader reader(b.path);
        std::string block = tovel::ExtractSourceBlock(reader, b.lib.lastPrototype);
        if (block.empty()) {
            state.SkipWithError("the last routine's block was not found");
            break;
        }
        benchmark::DoNotOptimize(block.data());
    }
    Finish(state, b);
}

// The parameter panel of the last routine: the search for its prototype
// comment line and the reading of its hint lines.
void BM_ParsePanelOfLastRoutine(benchmark::State& state)
{
    const BenchLibrary& b = Files().Get(false, Routines(state));
    for (auto _ : state) {
        tovel::FileLineReader reader(b.path);
        tovel::ParameterPanelModel model =
            tovel::ParsePrototypeSource(tovel::ParameterPanelModel{}, b.lib.lastPrototype, &reader);
        if (model.type.empty()) {
            state.SkipWithError("the last routine's prototype comment line was not found");
            break;
        }
        benchmark::DoNotOptimize(model.function.data());
    }
    Finish(state, b);
}

// The normalising of every line of a header library held in memory, with no
// file reading and no sorting: the cost of the declaration rules alone.
void BM_HeaderDeclarations(benchmark::State& state)
{
    const BenchLibrary& b = Files().Get(true, Routines(state));
    std::vector<std::string> lines;
    {
        tovel::StringLineReader reader(b.lib.text);
        for (std::string line = reader.ReadLine(); !line.empty(); line = reader.ReadLine())
            lines.push_back(std::move(line));
    }
    for (auto _ : state) {
        size_t listed = 0;
        for (const std::string& line : lines)
            listed += tovel::NormaliseDeclaration(line).listed ? 1 : 0;
        if (listed != b.lib.listed) {
            state.SkipWithError("the wrong number of declarations was listed");
            break;
        }
        benchmark::DoNotOptimize(listed);
    }
    Finish(state, b);
}

// One keystroke of the open function list's filter: every name is searched
// for the typed text. The name index is built once per fill, outside.
void BM_TypeAheadKeystroke(benchmark::State& state)
{
    const BenchLibrary& b = Files().Get(false, Routines(state));
    std::vector<std::string> items;
    {
        tovel::StringLineReader reader(b.lib.text);
        items = tovel::CollectPrototypes(reader, false);
        tovel::SortFunctionList(items);
    }
    const tovel::RoutineNameIndex names(items);
    std::vector<uint32_t> rows;
    for (auto _ : state) {
        const size_t best = names.Filter(items, "qzx", rows);
        benchmark::DoNotOptimize(best);
    }
    Finish(state, b);
}

// Building the name index when the list is filled.
void BM_TypeAheadIndex(benchmark::State& state)
{
    const BenchLibrary& b = Files().Get(false, Routines(state));
    std::vector<std::string> items;
    {
        tovel::StringLineReader reader(b.lib.text);
        items = tovel::CollectPrototypes(reader, false);
    }
    for (auto _ : state) {
        tovel::RoutineNameIndex names(items);
        benchmark::DoNotOptimize(names.Size());
    }
    Finish(state, b);
}

// Show: the whole library read and tab-expanded into the source view's text.
void BM_ReadWholeForView(benchmark::State& state)
{
    const BenchLibrary& b = Files().Get(false, Routines(state));
    for (auto _ : state) {
        tovel::FileLineReader reader(b.path);
        std::string text = tovel::ReadWholeForView(reader, tovel::kSourceViewMaxBytes);
        if (text.size() < b.lib.text.size()) {
            state.SkipWithError("the view's text is shorter than the library");
            break;
        }
        benchmark::DoNotOptimize(text.data());
    }
    Finish(state, b);
}

// The source view's line index over the text Show hands it.
void BM_ByteLinesIndex(benchmark::State& state)
{
    const BenchLibrary& b = Files().Get(false, Routines(state));
    tovel::SharedBytes text;
    {
        tovel::FileLineReader reader(b.path);
        text = std::make_shared<const std::string>(tovel::ReadWholeForView(reader, tovel::kSourceViewMaxBytes));
    }
    for (auto _ : state) {
        tovel::ByteLines lines(text);
        if (lines.Count() <= b.lib.listed) {
            state.SkipWithError("the index holds fewer lines than the library has routines");
            break;
        }
        benchmark::DoNotOptimize(lines.MaxColumns());
    }
    Finish(state, b);
}

#define TOVEL_SIZES(bm)                                                                                                \
    BENCHMARK(bm)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN)

TOVEL_SIZES(BM_ScanAssemblerLibrary);
TOVEL_SIZES(BM_ScanHeaderLibrary);
TOVEL_SIZES(BM_SortFunctionList);
TOVEL_SIZES(BM_SourceBlockOfLastRoutine);
TOVEL_SIZES(BM_ParsePanelOfLastRoutine);
TOVEL_SIZES(BM_HeaderDeclarations);
TOVEL_SIZES(BM_TypeAheadKeystroke);
TOVEL_SIZES(BM_TypeAheadIndex);
TOVEL_SIZES(BM_ReadWholeForView);
TOVEL_SIZES(BM_ByteLinesIndex);

} // namespace

BENCHMARK_MAIN();
