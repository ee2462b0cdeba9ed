// The snippet and JSON writers on a library written from the input: the
// VS Code and LSP files must be valid JSON whose bodies parse as snippets,
// and a byte string must give its bytes back.
// fuzz-max-len: 65536
#include "FuzzSupport.h"

#include "../tests/cli_test_support.h"
#include "cli/Json.h"
#include "cli/RoutineBlocks.h"
#include "cli/Snippets.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using tovel::clitest::Json;
using tovel::clitest::JsonReader;

Json Parse(const std::string& text)
{
    Json value;
    std::string error;
    if (!JsonReader(text).Read(value, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        FUZZ_CHECK(false);
    }
    return value;
}

// The bytes of a string whose characters are all U+0000-U+00FF.
std::string BytesOf(const std::string& utf8)
{
    std::string bytes;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        FUZZ_CHECK(c < 0x80 || c == 0xC2 || c == 0xC3);
        bytes += c < 0x80 ? static_cast<char>(c) : static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(BytesOf(Parse(tovel::cli::JsonByteString(bytes)).text) == bytes);
    const Json quoted = Parse(tovel::cli::JsonQuote(bytes));
    if (tovel::cli::IsValidUtf8(bytes))
        FUZZ_CHECK(quoted.text == bytes);

    static const std::string folder = [] {
        std::string path = std::filesystem::temp_directory_path().string() + "/tovel-snippet-fuzz-"
                         + std::to_string(static_cast<long>(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    const std::string library = folder + "/lib.s";
    std::ofstream(library, std::ios::binary | std::ios::trunc) << bytes;
    const auto panels = tovel::cli::ReadRoutinePanels(library);
    FUZZ_CHECK(panels.has_value());
    std::vector<tovel::cli::Snippet> snippets;
    for (const auto& routine : *panels)
        if (auto snippet = tovel::cli::MakeSnippet(library, routine))
            snippets.push_back(std::move(*snippet));

    const Json vscode = Parse(tovel::cli::WriteSnippets(snippets, tovel::cli::SnippetFormat::VsCode));
    for (const auto& member : vscode.members)
        FUZZ_CHECK(tovel::clitest::ParseSnippet(member.second["body"][0].text).ok);
    const Json lsp = Parse(tovel::cli::WriteSnippets(snippets, tovel::cli::SnippetFormat::Lsp));
    FUZZ_CHECK(lsp.items.size() == vscode.members.size());
    for (const Json& item : lsp.items)
        FUZZ_CHECK(tovel::clitest::ParseSnippet(item["insertText"].text).ok);
    return 0;
}
