// The settings-file text operations checked against each other: on any
// starting text, a run of writes, deletes and section rewrites must read back
// what was written, leave every other setting as it was, and keep every line
// it does not concern byte for byte. The final text then goes to disk: a
// write through a symbolic link must change the link's target exactly as the
// text operation does and leave the link, and a read-only file must never
// change.
#include "FuzzSupport.h"

#include "app/Profile.h"
#include "app/SettingsFile.h"
#include "common/ByteText.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {

using tovel::fuzz::Input;

struct Name {
    std::string section;
    std::string key;
};

// A few names the operations pick from, so that they meet each other (and
// letter case and blanks vary), plus names taken from the input.
const char* const kSections[] = {"Last", "LAST", " last ", "Libraries", "x]y", "", "[Last]", "a b"};
const char* const kKeys[] = {"Intro", "intro", " Intro\t", "/l/a.s79", "=",   ";c",
                             "[k",    "",      "Choice",   "k\r",      "a=b", "k\n"};

std::string Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return std::string(s);
}

// What a read gives back for a written value: CR and LF dropped, cut at a
// NUL, blanks around trimmed, one pair of outer quotes removed.
std::string ReadBackOf(std::string_view value)
{
    std::string clean;
    for (char c : value) {
        if (c == '\0')
            break;
        if (c != '\r' && c != '\n')
            clean.push_back(c);
    }
    clean = Trim(clean);
    if (clean.size() >= 2 && (clean.front() == '"' || clean.front() == '\'') && clean.back() == clean.front())
        clean = clean.substr(1, clean.size() - 2);
    return clean;
}

// Start and end of every line of the text (the line end included).
std::vector<size_t> LineStarts(std::string_view text)
{
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            starts.push_back(i + 1);
    }
    if (starts.back() != text.size())
        starts.push_back(text.size());
    return starts;
}

// The bytes that differ between before and after: [p, before.size() - s) of
// before was replaced by [p, after.size() - s) of after.
struct Change {
    size_t prefix;
    size_t suffix;
};

Change Diff(std::string_view before, std::string_view after)
{
    const size_t n = before.size() < after.size() ? before.size() : after.size();
    size_t p = 0;
    while (p < n && before[p] == after[p])
        ++p;
    size_t s = 0;
    while (s < n - p && before[before.size() - 1 - s] == after[after.size() - 1 - s])
        ++s;
    return {p, s};
}

// The old bytes that a change removed lie within one line of the old text.
bool RemovedWithinOneLine(std::string_view before, const Change& change)
{
    const size_t from = change.prefix;
    const size_t to = before.size() - change.suffix;
    if (from >= to)
        return true;
    const auto starts = LineStarts(before);
    for (size_t i = 0; i + 1 < starts.size(); ++i)
        if (starts[i] <= from && to <= starts[i + 1])
            return true;
    return false;
}

// before with some whole lines cut out is after.
bool IsWithoutWholeLines(std::string_view before, std::string_view after)
{
    const auto starts = LineStarts(before);
    size_t at = 0; // position in after
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        const std::string_view line = before.substr(starts[i], starts[i + 1] - starts[i]);
        if (after.substr(at, line.size()) == line)
            at += line.size();
    }
    return at == after.size();
}

// Every name of interest with its value before the operation.
struct Probe {
    Name name;
    std::string value;
};

constexpr std::string_view kMissing = "\x01missing\x01";

bool Same(std::string_view a, std::string_view b);

// The values of the operations' names and of the keys the file holds in
// their sections (a bounded number, so that large texts stay quick).
std::vector<Probe> TakeProbes(std::string_view text, const std::vector<Name>& names)
{
    std::vector<Probe> probes;
    std::vector<std::string> sections;
    for (const Name& name : names) {
        probes.push_back({name, tovel::ProfileGetString(text, name.section, name.key, kMissing, 1 << 20)});
        if (std::none_of(sections.begin(), sections.end(), [&](const std::string& s) { return Same(s, name.section); }))
            sections.push_back(name.section);
    }
    for (const std::string& section : sections) {
        const auto keys = tovel::ProfileGetKeyNames(text, section);
        for (size_t i = 0; i < keys.size() && i < 24; ++i)
            probes.push_back({{section, keys[i]}, tovel::ProfileGetString(text, section, keys[i], kMissing, 1 << 20)});
    }
    return probes;
}

bool Same(std::string_view a, std::string_view b)
{
    return tovel::EqualsNoCase(Trim(a), Trim(b));
}

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spit(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// The text on disk, changed once through a link and once as a read-only file.
void CheckOnDisk(const std::string& text, const Name& name, const std::string& value)
{
    // One folder per process, removed when it ends.
    static const struct Folder {
        fs::path path = fs::temp_directory_path() / ("tovel-settings-fuzz-" + std::to_string(::getpid()));
        Folder() { fs::create_directories(path / "target"); }
        ~Folder()
        {
            std::error_code ec;
            fs::permissions(path / "target" / "real.ini", fs::perms::owner_all, ec);
            fs::remove_all(path, ec);
        }
    } folder;
    const fs::path& dir = folder.path;
    const fs::path target = dir / "target" / "real.ini";
    const fs::path link = dir / "Tovel.ini";
    std::error_code ec;
    fs::remove(link, ec);
    fs::permissions(target, fs::perms::owner_all, ec);
    Spit(target, text);
    fs::create_symlink(target, link);

    tovel::SettingsFile file(link.string());
    const bool ok = file.Write(name.section, name.key, value).ok;
    const bool valid = tovel::IsValidProfileSection(name.section) && tovel::IsValidProfileKey(name.key);
    FUZZ_CHECK(ok == valid);
    FUZZ_CHECK(fs::is_symlink(link));
    FUZZ_CHECK(Slurp(target)
               == (valid ? tovel::ProfileWriteString(text, name.section, name.key, value,
                                                     tovel::SettingsKeyMatch(name.section))
                         : text));

    // No one may write it: not changed, even by root.
    Spit(target, text);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    FUZZ_CHECK(!file.Write(name.section, name.key, value).ok);
    FUZZ_CHECK(!file.DeleteSection(name.section).ok || tovel::ProfileDeleteSection(text, name.section) == text);
    FUZZ_CHECK(Slurp(target) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    std::string text = in.Until(std::string_view("\0\0", 2));

    std::vector<Name> names;
    for (const char* s : kSections)
        names.push_back({s, kKeys[names.size() % std::size(kKeys)]});

    for (int step = 0; step < 16 && !in.Empty(); ++step) {
        const unsigned op = in.Below(5);
        Name name;
        name.section = in.Bool() ? in.Short() : kSections[in.Below(std::size(kSections))];
        name.key = in.Bool() ? in.Short() : kKeys[in.Below(std::size(kKeys))];
        names.push_back(name);
        const std::string value = in.Short();
        const auto probes = TakeProbes(text, names);
        const bool validSection = tovel::IsValidProfileSection(name.section);
        const bool validKey = tovel::IsValidProfileKey(name.key);

        std::string after;
        switch (op) {
        case 0:
        case 1: {
            after = tovel::ProfileWriteString(text, name.section, name.key, value);
            if (!validSection || !validKey) {
                FUZZ_CHECK(after == text);
                break;
            }
            // What was written reads back, and is listed once more at most.
            FUZZ_CHECK(tovel::ProfileGetString(after, name.section, name.key, kMissing, 1 << 20) == ReadBackOf(value));
            const auto namesBefore = tovel::ProfileGetKeyNames(text, name.section);
            const auto namesAfter = tovel::ProfileGetKeyNames(after, name.section);
            const bool had = std::any_of(namesBefore.begin(), namesBefore.end(),
                                         [&](const std::string& k) { return Same(k, name.key); });
            FUZZ_CHECK(namesAfter.size() == namesBefore.size() + (had ? 0 : 1));
            // One line replaced, or new lines added in one place.
            const Change change = Diff(text, after);
            FUZZ_CHECK(RemovedWithinOneLine(text, change));
            // Writing the same again changes nothing.
            FUZZ_CHECK(tovel::ProfileWriteString(after, name.section, name.key, value) == after);
            break;
        }
        case 2:
            after = tovel::ProfileDeleteKey(text, name.section, name.key);
            FUZZ_CHECK(IsWithoutWholeLines(text, after));
            FUZZ_CHECK(tovel::ProfileGetString(after, name.section, name.key, kMissing, 1 << 20) == kMissing);
            break;
        case 4:
            after = tovel::ProfileReplaceSection(text, name.section, {name.key}, value);
            if (!validSection) {
                FUZZ_CHECK(after == text);
                break;
            }
            // The section holds the one key now (none when it was refused).
            FUZZ_CHECK(tovel::ProfileGetKeyNames(after, name.section).size() == (validKey ? 1u : 0u));
            if (validKey)
                FUZZ_CHECK(tovel::ProfileGetString(after, name.section, name.key, kMissing, 1 << 20)
                           == ReadBackOf(value));
            break;
        default:
            after = tovel::ProfileDeleteSection(text, name.section);
            FUZZ_CHECK(IsWithoutWholeLines(text, after));
            FUZZ_CHECK(tovel::ProfileGetKeyNames(after, name.section).empty());
            FUZZ_CHECK(tovel::ProfileGetString(after, name.section, name.key, kMissing, 1 << 20) == kMissing);
            break;
        }

        // Every other setting reads as before.
        for (const Probe& probe : probes) {
            const bool sameSection = Same(probe.name.section, name.section);
            const bool target = sameSection && Same(probe.name.key, name.key);
            if (op >= 3 ? sameSection : target)
                continue;
            FUZZ_CHECK(tovel::ProfileGetString(after, probe.name.section, probe.name.key, kMissing, 1 << 20)
                       == probe.value);
        }

        // Reads cut to the capacity.
        const size_t capacity = in.Below(8);
        const std::string cut = tovel::ProfileGetString(after, name.section, name.key, "default", capacity);
        FUZZ_CHECK(capacity == 0 ? cut.empty() : cut.size() <= capacity - 1);
        text = std::move(after);
    }
    // The last name used, on disk (small texts only, to keep runs quick).
    if (text.size() < 64 * 1024)
        CheckOnDisk(text, names.back(), "on disk");
    return 0;
}
