// The snippet and JSON writers on a library written from the input: the
// VS Code and LSP files must be valid JSON whose bodies parse as snippets,
// and a byte string must give its bytes back.
// fuzz-max-len: 65536
#include "FuzzSupport.h"

#include "../tests/snippet_grammar.h"
#include "assist/Json.h"
#include "assist/RoutineBlocks.h"
#include "assist/Snippets.h"
#include "common/LineCells.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Reads JSON text strictly (RFC 8259: structure, escapes, UTF-8) and gives
// its strings in order, decoded; aborts on a fault.
class JsonStrings {
public:
    explicit JsonStrings(std::string_view text) : m_text(text)
    {
        Skip();
        Value(0);
        Skip();
        FUZZ_CHECK(m_pos == m_text.size());
    }
    const std::vector<std::string>& Strings() const { return m_strings; }

private:
    void Skip()
    {
        while (m_pos < m_text.size() && std::strchr(" \t\r\n", m_text[m_pos]) && m_text[m_pos] != '\0')
            ++m_pos;
    }
    char Peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    void Expect(char c)
    {
        FUZZ_CHECK(Peek() == c);
        ++m_pos;
    }
    void Value(int depth)
    {
        FUZZ_CHECK(depth < 64);
        const char c = Peek();
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++m_pos;
            Skip();
            if (Peek() == close) {
                ++m_pos;
                return;
            }
            for (;;) {
                Skip();
                if (c == '{') {
                    String();
                    Skip();
                    Expect(':');
                    Skip();
                }
                Value(depth + 1);
                Skip();
                if (Peek() == ',') {
                    ++m_pos;
                    continue;
                }
                Expect(close);
                return;
            }
        }
        if (c == '"')
            return String();
        const size_t start = m_pos;
        while (m_pos < m_text.size() && std::strchr("-+.0123456789eEtrufalsn", m_text[m_pos]) && m_text[m_pos] != '\0')
            ++m_pos;
        FUZZ_CHECK(m_pos > start);
    }
    void String()
    {
        Expect('"');
        std::string out;
        for (;;) {
            FUZZ_CHECK(m_pos < m_text.size());
            const auto c = static_cast<unsigned char>(m_text[m_pos++]);
            if (c == '"')
                break;
            FUZZ_CHECK(c >= 0x20);
            if (c == '\\') {
                const char e = Peek();
                ++m_pos;
                if (e == 'u') {
                    FUZZ_CHECK(m_pos + 4 <= m_text.size());
                    const unsigned code =
                        static_cast<unsigned>(std::stoul(std::string(m_text.substr(m_pos, 4)), nullptr, 16));
                    m_pos += 4;
                    FUZZ_CHECK(code < 0xD800 || code > 0xDFFF);
                    if (code < 0x80) {
                        out += static_cast<char>(code);
                    } else if (code < 0x800) {
                        out += static_cast<char>(0xC0 | (code >> 6));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | (code >> 12));
                        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                } else {
                    const char* from = "\"\\/bfnrt";
                    const char* to = "\"\\/\b\f\n\r\t";
                    const char* at = std::strchr(from, e);
                    FUZZ_CHECK(e != '\0' && at != nullptr);
                    out += to[at - from];
                }
                continue;
            }
            out += static_cast<char>(c);
        }
        FUZZ_CHECK(tovel::IsUtf8(out));
        m_strings.push_back(std::move(out));
    }

    std::string_view m_text;
    size_t m_pos = 0;
    std::vector<std::string> m_strings;
};

// Every period-th string from the first one, after checking that the
// strings come in whole groups of that many.
std::vector<std::string> EveryNth(const std::vector<std::string>& strings, size_t first, size_t period)
{
    FUZZ_CHECK(strings.size() % period == 0);
    std::vector<std::string> values;
    for (size_t i = first; i < strings.size(); i += period)
        values.push_back(strings[i]);
    return values;
}

// The bytes of a string whose characters are all U+0000-U+00FF.
std::string BytesOf(const std::string& utf8)
{
    std::string bytes;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        FUZZ_CHECK(c < 0x80 || ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()));
        bytes += c < 0x80 ? static_cast<char>(c) : static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(BytesOf(JsonStrings(tovel::cli::JsonByteString(bytes)).Strings().at(0)) == bytes);
    const std::string quoted = JsonStrings(tovel::cli::JsonQuote(bytes)).Strings().at(0);
    if (tovel::IsUtf8(bytes))
        FUZZ_CHECK(quoted == bytes);

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

    // A VS Code snippet is 9 strings (key, "scope", scope, "prefix",
    // prefix, "body", body, "description", description), an LSP item 10
    // ("label", label, "kind", "detail", detail, "documentation",
    // documentation, "insertTextFormat", "insertText", body); the bodies
    // must parse and agree.
    const JsonStrings vscode(tovel::cli::WriteSnippets(snippets, tovel::cli::SnippetFormat::VsCode));
    const auto bodies = EveryNth(vscode.Strings(), 6, 9);
    FUZZ_CHECK(EveryNth(vscode.Strings(), 5, 9) == std::vector<std::string>(bodies.size(), "body"));
    for (const std::string& body : bodies)
        FUZZ_CHECK(tovel::clitest::ParseSnippet(body).ok);
    const JsonStrings lsp(tovel::cli::WriteSnippets(snippets, tovel::cli::SnippetFormat::Lsp));
    FUZZ_CHECK(EveryNth(lsp.Strings(), 9, 10) == bodies);
    return 0;
}
