// Google Benchmark timings of tovel-cli's editor commands: lint over a
// 100,000-line C file, and check over generated libraries of growing size.
#include "LibraryGenerator.h"

#include "assist/LibraryCheck.h"
#include "assist/Lint.h"
#include "assist/RoutineBlocks.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A C file of n lines: calls of the sample library's routines (some wrong),
// comments, strings and ordinary code, as a driver source looks.
std::string CFile(size_t n)
{
    static const char* const kLines[] = {
        "    PwmSetDuty(2, 75);                 /* set the duty */\n",
        "    PwmSetup(0, PWM_EN | PWM_INV, 1000, 50, 3);\n",
        "    if (count > limit) { count = 0; } // wrap\n",
        "    UartPutString(0, \"PwmSetDuty(1) is not a call\");\n",
        "    value = AdcRead(channel) * 3 + (int)buffer[i];\n",
        "    PwmSetDuty(1, 150);\n",
        "    TimerStart(1, 0xFFFF, TMR_DIV8);\n",
        "static int helper(int a, int b) { return a + b; }\n",
    };
    std::string text;
    for (size_t i = 0; i < n; ++i)
        text += kLines[i % (sizeof kLines / sizeof kLines[0])];
    return text;
}

void BM_LintCFile(benchmark::State& state)
{
    const auto panels = tovel::cli::ReadRoutinePanels(TOVEL_SAMPLE_LIBRARY);
    if (!panels) {
        state.SkipWithError("the sample library cannot be read");
        return;
    }
    const tovel::cli::LintRoutines routines = tovel::cli::MakeLintRoutines(TOVEL_SAMPLE_LIBRARY, *panels);
    const std::string text = CFile(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        const auto findings = tovel::cli::LintText(text, routines);
        benchmark::DoNotOptimize(findings.data());
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_LintCFile)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_CheckLibrary(benchmark::State& state)
{
    const auto path =
        std::filesystem::temp_directory_path() / ("tovel-cli-bench-" + std::to_string(state.range(0)) + ".s79");
    std::ofstream(path, std::ios::binary)
        << tovel::bench::GenerateAssemblerLibrary(static_cast<size_t>(state.range(0))).text;
    for (auto _ : state) {
        const auto diagnostics = tovel::cli::CheckLibrary(path.string());
        benchmark::DoNotOptimize(diagnostics.has_value());
    }
    state.SetComplexityN(state.range(0));
    std::error_code error;
    std::filesystem::remove(path, error);
}
BENCHMARK(BM_CheckLibrary)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
