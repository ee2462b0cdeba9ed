// The value editors' plain logic on any hint and value: the hint kinds,
// option lists split and joined, range hints parsed and compared, and the
// tool program's command line.
#include "FuzzSupport.h"

#include "common/ByteText.h"
#include "composer/ToolProgram.h"
#include "composer/ValueEditors.h"

#include <string>
#include <vector>

namespace {

std::string JoinAll(const std::vector<std::string>& items, char separator)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out.push_back(separator);
        out += items[i];
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tovel::fuzz::Input in(data, size);
    const unsigned picks = in.Byte();
    const int n = static_cast<int>(static_cast<signed char>(in.Byte()));
    const std::string hint = in.Until("\n");
    const std::string value = in.Until("\n");
    const std::string libPath = in.Rest();

    // Kinds: an option list wins over a tool program.
    const tovel::HintKind kind = tovel::ClassifyHint(hint);
    if (tovel::Find(hint, '|') > 0)
        FUZZ_CHECK(kind == tovel::HintKind::OptionList);
    else if (tovel::Find(hint, ".exe") > 0)
        FUZZ_CHECK(kind == tovel::HintKind::ToolProgram);
    else
        FUZZ_CHECK(kind == tovel::HintKind::None);

    // Split and join: the items put back together give the hint; a
    // selection joins without empty items at its start.
    const auto items = tovel::SplitOptionList(hint);
    FUZZ_CHECK(!items.empty() && JoinAll(items, '|') == hint);
    for (const std::string& item : items)
        FUZZ_CHECK(item.find('|') == std::string::npos);
    std::vector<std::string> selected;
    for (size_t i = 0; i < items.size() && i < 32; ++i)
        if ((picks >> (i % 8)) & 1)
            selected.push_back(items[i]);
    const std::string joined = tovel::JoinOptionSelection(selected);
    std::vector<std::string> expectedParts;
    for (const std::string& item : selected)
        if (!expectedParts.empty() || !item.empty())
            expectedParts.push_back(item);
    FUZZ_CHECK(joined == JoinAll(expectedParts, '|'));

    // Range hints split at their first '-' after the low bound's head: one
    // '-' as its sign, if any, and then at least one more byte (which may be
    // anything, a '-' too).
    const size_t from = !hint.empty() && hint[0] == '-' ? 2 : 1;
    if (const auto range = tovel::ParseRangeHint(hint)) {
        FUZZ_CHECK(range->low.size() >= from && range->low.find('-', from) == std::string::npos);
        FUZZ_CHECK(range->low + "-" + range->high == hint);
        const int cmp = tovel::CompareToRange(range->low, range->high, value);
        FUZZ_CHECK(cmp >= -1 && cmp <= 1);
        // A bound compares inside its own end of the range.
        FUZZ_CHECK(tovel::CompareToRange(range->low, range->high, range->low) != -1);
        FUZZ_CHECK(tovel::CompareToRange(range->low, range->high, range->high) != 1);
    } else {
        FUZZ_CHECK(hint.size() <= from || hint.find('-', from) == std::string::npos);
    }
    FUZZ_CHECK(tovel::CompareToRange(value, value, value) == 0);
    if (value.empty())
        FUZZ_CHECK(!tovel::IsRangeCandidate(value));
    else if (value[0] >= 'A' && value[0] <= 'Z')
        FUZZ_CHECK(!tovel::IsRangeCandidate(value));
    else if ((value[0] >= '0' && value[0] <= '9') || value[0] == '-' || static_cast<unsigned char>(value[0]) >= 0x80)
        FUZZ_CHECK(tovel::IsRangeCandidate(value));

    // The command is the library's folder and the hint, nothing else.
    const std::string command = tovel::BuildToolCommand(libPath, hint);
    FUZZ_CHECK(tovel::EndsWith(command, hint));
    const std::string folder = command.substr(0, command.size() - hint.size());
    FUZZ_CHECK(tovel::StartsWith(libPath, folder));
    FUZZ_CHECK(folder.empty() || tovel::IsPathSep(folder.back()));
    FUZZ_CHECK(folder.empty() == (tovel::LastPathSep(libPath) < 0));
    // A hint that may run names one file in that folder and no other.
    if (!tovel::ToolHintRefusal(hint))
        FUZZ_CHECK(folder == tovel::LibraryFolder(libPath) && hint.find_first_of("/\\:") == std::string::npos
                   && hint.find("..") == std::string::npos);

    // Positions for every slot count, a stray 0 or negative one included.
    for (int k = 1; k <= 4; ++k) {
        const tovel::PixelRect list = tovel::OptionListRect(k, n);
        const tovel::PixelRect edit = tovel::ValueEditRect(k, n);
        FUZZ_CHECK(list.w == 170 && list.h == 70);
        FUZZ_CHECK(edit.h == 18);
    }
    FUZZ_CHECK(tovel::OutOfRangeMessage(value) == value + " Out of range.");
    return 0;
}
