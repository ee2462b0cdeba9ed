#include "LibraryGenerator.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string_view>
#include <vector>

namespace tovel::bench {

namespace {

constexpr std::array<std::string_view, 16> kVerbs = {"Read",  "Write",  "Set",     "Get",   "Init", "Reset",
                                                     "Clear", "Start",  "Stop",    "Poll",  "Wait", "Load",
                                                     "Store", "Enable", "Disable", "Config"};
constexpr std::array<std::string_view, 16> kNouns = {"Port",  "Timer",  "Adc",   "Dac", "Uart", "Spi",  "I2c", "Pwm",
                                                     "Flash", "Eeprom", "Clock", "Irq", "Dma",  "Gpio", "Rtc", "Wdt"};
constexpr std::array<std::string_view, 8> kParamNames = {"port",    "count", "value", "mode",
                                                         "channel", "duty",  "flags", "addr"};
constexpr std::array<std::string_view, 5> kParamTypes = {"char", "int", "long", "unsigned char", "unsigned int"};
constexpr std::array<std::string_view, 3> kHints = {"{0,1,2,3}", "{0-255}", "{}"};
constexpr std::array<std::string_view, 7> kCodeLines = {"\tMOV\tR8,R12",   "\tLD\tW4,[R8+2]", "\tADD\tW4,W5",
                                                        "\tCALL\t?Helper", "\tST\tW4,[R9]",   "\tCMP\tW4,#0",
                                                        "\tJZ\t?Skip"};
// Listed return types; the assembler libraries add "void".
constexpr std::array<std::string_view, 7> kReturnTypes = {"int",          "char",  "long",  "unsigned char",
                                                          "unsigned int", "short", "double"};

// One routine's prototype, in its canonical spacing, with its parameters.
struct Routine {
    std::string returnType;
    std::string name;
    std::vector<std::pair<std::string, std::string>> params; // type, name
    std::vector<std::string> hints;
    size_t codeLines = 0;
    bool isVoid = false;
};

// std::mt19937 gives the same sequence everywhere; the distributions of
// <random> do not, so draws are taken by modulo.
class Draw {
public:
    explicit Draw(uint32_t seed) : m_engine(seed) {}
    size_t Below(size_t n) { return static_cast<size_t>(m_engine() % n); }

private:
    std::mt19937 m_engine;
};

// Routine names in a shuffled order, so file order is far from sorted order.
// Every name is unique (a hex serial), a quarter start with a lower-case
// letter so the list's case-insensitive order matters.
std::vector<Routine> MakeRoutines(size_t n, uint32_t seed)
{
    Draw draw(seed);
    std::vector<size_t> serials(n);
    for (size_t i = 0; i < n; ++i)
        serials[i] = i;
    for (size_t i = n; i > 1; --i)
        std::swap(serials[i - 1], serials[draw.Below(i)]);

    std::vector<Routine> routines(n);
    for (size_t i = 0; i < n; ++i) {
        Routine& r = routines[i];
        r.isVoid = draw.Below(8) == 0;
        r.returnType = r.isVoid ? "void" : std::string(kReturnTypes[draw.Below(kReturnTypes.size())]);
        char serial[16];
        std::snprintf(serial, sizeof serial, "_%05zx", serials[i]);
        r.name =
            std::string(kVerbs[draw.Below(kVerbs.size())]) + std::string(kNouns[draw.Below(kNouns.size())]) + serial;
        if (draw.Below(4) == 0)
            r.name[0] = static_cast<char>(r.name[0] - 'A' + 'a');
        const size_t nParams = draw.Below(4);
        for (size_t p = 0; p < nParams; ++p) {
            r.params.emplace_back(std::string(kParamTypes[draw.Below(kParamTypes.size())]),
                                  std::string(kParamNames[(p * 3 + draw.Below(3)) % kParamNames.size()]));
            r.hints.emplace_back(kHints[draw.Below(kHints.size())]);
        }
        r.codeLines = 2 + draw.Below(3);
    }
    return routines;
}

// "type Name(type a, type b)" as the function list shows it.
std::string CanonicalPrototype(const Routine& r)
{
    std::string text = r.returnType + " " + r.name + "(";
    if (r.params.empty())
        text += "void";
    for (size_t p = 0; p < r.params.size(); ++p) {
        if (p > 0)
            text += ", ";
        text += r.params[p].first + " " + r.params[p].second;
    }
    text += ")";
    return text;
}

// The same declaration as a header's author might space it.
std::string LooseDeclaration(const Routine& r, size_t style)
{
    std::string text = (style % 2 == 0 ? "extern " : "") + r.returnType + (style % 3 == 0 ? "  " : " ") + r.name
        + (style % 3 == 1 ? " ( " : "(");
    if (r.params.empty())
        text += "void";
    for (size_t p = 0; p < r.params.size(); ++p) {
        if (p > 0)
            text += style % 2 == 0 ? " , " : ",";
        text += r.params[p].first + (style % 5 == 0 ? "\t" : " ") + r.params[p].second;
    }
    text += style % 3 == 1 ? " );" : ");";
    if (style % 4 == 3)
        text += "   // " + r.name;
    return text;
}

} // namespace

GeneratedLibrary GenerateAssemblerLibrary(size_t n)
{
    GeneratedLibrary lib;
    const std::vector<Routine> routines = MakeRoutines(n, 20240601u);
    lib.text.reserve(n * 215 + 128);
    lib.text += "; Synthetic library for the benchmarks\r\n\tNAME\tbench\r\n\r\n";
    for (const Routine& r : routines) {
        const std::string prototype = CanonicalPrototype(r);
        lib.text += "\tMODULE\t" + r.name + "\r\n\tPUBLIC\t" + r.name + "\r\n";
        lib.text += "; C Function prototype: " + prototype + "\r\n";
        for (size_t p = 0; p < r.params.size(); ++p)
            lib.text += "; " + r.params[p].second + ":" + r.hints[p] + "\r\n";
        lib.text += r.name + ":\r\n";
        for (size_t c = 0; c < r.codeLines; ++c) {
            lib.text += kCodeLines[(r.name.size() + c) % kCodeLines.size()];
            lib.text += "\r\n";
        }
        lib.text += "\tRET\r\n\tENDMOD\r\n";
        ++lib.listed;
        lib.lastPrototype = prototype;
    }
    return lib;
}

GeneratedLibrary GenerateHeaderLibrary(size_t n)
{
    GeneratedLibrary lib;
    const std::vector<Routine> routines = MakeRoutines(n, 20240602u);
    lib.text.reserve(n * 140 + 128);
    lib.text += "/* Synthetic header library for the benchmarks */\r\n#ifndef BENCH_H\r\n#define BENCH_H\r\n\r\n";
    size_t style = 0;
    for (const Routine& r : routines) {
        lib.text += "/* " + r.name + ": takes " + std::to_string(r.params.size()) + " parameter(s) */\r\n";
        lib.text += LooseDeclaration(r, style++) + "\r\n";
        std::string id = r.name;
        for (char& c : id)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        lib.text += "#define " + id + "_ID " + std::to_string(style) + "\r\n";
        if (!r.isVoid) {
            ++lib.listed;
            lib.lastPrototype = CanonicalPrototype(r);
        }
    }
    lib.text += "\r\n#endif\r\n";
    return lib;
}

} // namespace tovel::bench
