// The source view: the block search, the whole-file view (cut or not), tab
// expansion, the closing-line test and the source path of a header library,
// whose routine names may hold any bytes.
#include "FuzzSupport.h"

#include "common/ByteText.h"
#include "common/LineCells.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <string>
#include <vector>

namespace {

std::string ReferenceExpand(const std::string& line)
{
    // A valid UTF-8 line counts columns in characters, any other in bytes.
    const bool utf8 = tovel::IsUtf8(line);
    std::string out;
    size_t column = 0;
    for (char c : line) {
        if (c == '\t') {
            out.append(4 - column % 4, ' ');
            column += 4 - column % 4;
            continue;
        }
        out.push_back(c);
        if (!utf8 || (static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++column;
    }
    return out;
}

bool IsWordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tovel::fuzz::Input in(data, size);
    const size_t maxBytes = static_cast<size_t>(in.Byte()) * 16 + in.Below(16);
    const std::string prototype = in.Until("\n");
    const std::string text = in.Rest();

    // The lines as every reader sees them.
    std::vector<std::string> lines;
    {
        tovel::StringLineReader reader(text);
        for (std::string line = reader.ReadLine(); !line.empty(); line = reader.ReadLine())
            lines.push_back(line);
    }

    std::string whole;
    for (const std::string& line : lines) {
        FUZZ_CHECK(tovel::ExpandTabs(line) == ReferenceExpand(line));
        whole += ReferenceExpand(line);
        // A closing line has a word, a run of word characters, that is END or ENDMOD.
        bool wordEnd = false;
        for (size_t p = 0; p < line.size();) {
            size_t q = p;
            while (q < line.size() && IsWordChar(line[q]))
                ++q;
            const std::string word = line.substr(p, q - p);
            wordEnd = wordEnd || word == "END" || word == "ENDMOD";
            p = q + 1;
        }
        FUZZ_CHECK(tovel::IsBlockEndLine(line) == wordEnd);
    }
    {
        tovel::StringLineReader reader(text);
        FUZZ_CHECK(tovel::ReadWholeForView(reader) == whole);
    }
    {
        // The cut view: whole lines of the full view, at most maxBytes of
        // them, and the note only when something was left out.
        tovel::StringLineReader reader(text);
        const std::string cut = tovel::ReadWholeForView(reader, maxBytes);
        std::string shown;
        size_t i = 0;
        while (i < lines.size() && shown.size() + ReferenceExpand(lines[i]).size() <= maxBytes)
            shown += ReferenceExpand(lines[i++]);
        if (i == lines.size()) {
            FUZZ_CHECK(cut == whole);
        } else {
            FUZZ_CHECK(whole.size() > maxBytes);
            if (!shown.empty() && shown.back() != '\n' && shown.back() != '\r')
                shown += "\r\n";
            FUZZ_CHECK(cut == shown + tovel::ViewCutNote(maxBytes) + "\r\n");
        }
    }

    // The block: empty, or from the first start line through the first
    // closing line after it (or the end).
    tovel::StringLineReader reader(text);
    const std::string block = tovel::ExtractSourceBlock(reader, prototype);
    std::string expected;
    if (!prototype.empty()) {
        size_t i = 0;
        while (i < lines.size() && !tovel::IsBlockStartLine(lines[i], prototype))
            ++i;
        if (i < lines.size()) {
            expected = ReferenceExpand(lines[i]);
            for (++i; i < lines.size(); ++i) {
                if (tovel::IsBlockEndLine(lines[i])) {
                    for (char c : lines[i])
                        expected.push_back(c == '\t' ? ' ' : c);
                    break;
                }
                expected += ReferenceExpand(lines[i]);
            }
        }
    }
    FUZZ_CHECK(block == expected);
    FUZZ_CHECK(block.find('\t') == std::string::npos);

    // A header library's routine source stays in the header's folder, named
    // by letters, digits and '_' only, whatever the prototype holds.
    const std::string folder = "/lib/inc/";
    const std::string path = tovel::SourcePathFor(folder + "ports.h", prototype);
    FUZZ_CHECK(tovel::StartsWith(path, folder));
    const std::string file = path.substr(folder.size());
    if (!file.empty()) {
        FUZZ_CHECK(tovel::EndsWith(file, ".s") && file.size() > 2);
        for (size_t i = 0; i + 2 < file.size(); ++i)
            FUZZ_CHECK(IsWordChar(file[i]));
        FUZZ_CHECK(tovel::CVariantPath(path) == path.substr(0, path.size() - 1) + "c");
    }
    FUZZ_CHECK(tovel::SourcePathFor("/lib/lib.s79", prototype) == "/lib/lib.s79");
    return 0;
}
