// The language server's core fed as its input loop feeds it: bytes in any
// cuts, then Idle once the input is drained.
#include "lsp/Framing.h"
#include "lsp/Server.h"
#include "lsp/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace tovel::lsp;

std::string Message(const std::string& body)
{
    return Frame(body);
}

std::string Initialize()
{
    return Message(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{},)"
                   R"("initializationOptions":{"libraries":[")" TOVEL_COMPANION_DIR R"(/LibDev4410.s79"]}}})");
}

std::string Change(int version, int duty)
{
    return Message(
        R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///a.c",)"
        R"("version":)"
        + std::to_string(version) + R"(},"contentChanges":[{"text":"PwmSetDuty(1,)" + std::to_string(duty)
        + R"();"}]}})");
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

struct Session {
    std::string out;
    Server server{{"", [this](std::string_view bytes) { out.append(bytes); }, nullptr}};
};

TEST(LspServer, ChangeStormIsLintedOnceAtItsLatestTextHoweverTheBytesAreCut)
{
    std::string input = Initialize()
        + Message(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///a.c",)"
                  R"("languageId":"c","version":1,"text":""}}})");
    for (int version = 2; version <= 51; ++version)
        input += Change(version, 100 + version);
    for (const size_t cut : {input.size(), size_t{1}, size_t{7}}) {
        Session session;
        for (size_t at = 0; at < input.size(); at += cut)
            session.server.Receive(std::string_view(input).substr(at, cut));
        session.server.Idle();
        EXPECT_EQ(Count(session.out, "publishDiagnostics"), 1u) << "cut " << cut;
        EXPECT_EQ(Count(session.out, "is 151, outside its range"), 1u) << "cut " << cut;
        EXPECT_EQ(Count(session.out, "\"version\":51"), 1u) << "cut " << cut;
        session.server.Idle(); // nothing changed since
        EXPECT_EQ(Count(session.out, "publishDiagnostics"), 1u);
    }
}

TEST(LspServer, BadFramingIsSkippedAndTheNextMessageIsRead)
{
    MessageReader reader;
    std::string body;
    reader.Feed("Content-Length: 70000000\r\n\r\n{}Content-Length: 2\r\n\r\n{}");
    EXPECT_EQ(reader.Next(body), MessageReader::Got::Problem);
    ASSERT_EQ(reader.Next(body), MessageReader::Got::Message);
    EXPECT_EQ(body, "{}");
    reader.Feed(std::string(kMaxHeaderBytes + 10, 'x'));
    EXPECT_EQ(reader.Next(body), MessageReader::Got::Problem);
    reader.Feed("Content-Length: 3\r\n\r\n[1]");
    ASSERT_EQ(reader.Next(body), MessageReader::Got::Message);
    EXPECT_EQ(body, "[1]");
    EXPECT_EQ(reader.Next(body), MessageReader::Got::Nothing);
}

TEST(LspText, PositionsCountUnitsOfTheEncodingAndOneForABadByte)
{
    // "a", U+00E9 (2 bytes), U+1F600 (4 bytes, 2 UTF-16 units), a stray byte, "b"
    const std::string line = "a\xC3\xA9\xF0\x9F\x98\x80\xFF"
                             "b\nx";
    const LineIndex index(line);
    const size_t b = line.find('b');
    EXPECT_EQ(index.PositionOf(b, Encoding::Utf16).character, 5);
    EXPECT_EQ(index.PositionOf(b, Encoding::Utf8).character, 8);
    EXPECT_EQ(index.Offset({0, 5}, Encoding::Utf16), b);
    EXPECT_EQ(index.Offset({0, 3}, Encoding::Utf16), 3u); // inside the pair: its start
    EXPECT_EQ(index.Offset({1, 9}, Encoding::Utf16), line.size());
    EXPECT_EQ(RepairUtf8("\xFF"
                         "a\xED\xA0\x80"),
              "\xEF\xBF\xBD"
              "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(ShownText("\xE9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(UriToPath(PathToUri("/a b/%c#.c")), "/a b/%c#.c");
}

} // namespace

namespace {

// A routine's record gives back what was put, however long its texts and
// however often they repeat.
TEST(LspLibraries, PackedRoutinesGiveBackTheirPanels)
{
    tovel::ParameterPanelModel shared;
    shared.type = "int";
    shared.function = "Twice";
    shared.nParams = 2;
    shared.names = {"port", "mode"};
    shared.hints = {"{0,1,2}", "{0-255}"};
    shared.values = {"", "7"};
    tovel::ParameterPanelModel odd = shared;
    odd.function = "Label";                  // not the routine name: the linter skips it
    odd.hints[0] = std::string(300000, 'h'); // longer than a block of records
    odd.extraNames = {"...", "more"};

    PackedRoutines routines;
    routines.Add("int Twice(char port, int mode)\n", shared);
    routines.Add("int Twice(char port, int mode)", odd);
    routines.Add(" long  Twice (char port, int mode)", shared);
    routines.Seal();

    ASSERT_EQ(routines.Size(), 3u);
    EXPECT_EQ(routines.Prototype(0), "int Twice(char port, int mode)\n");
    EXPECT_EQ(routines.Name(2), "Twice");
    EXPECT_TRUE(routines.FunctionIsName(0));
    EXPECT_FALSE(routines.FunctionIsName(1));
    for (size_t i : {0u, 1u, 2u}) {
        const tovel::ParameterPanelModel& put = i == 1 ? odd : shared;
        const tovel::ParameterPanelModel got = routines.Panel(i);
        EXPECT_EQ(got.type, put.type);
        EXPECT_EQ(got.function, put.function);
        EXPECT_EQ(got.nParams, put.nParams);
        EXPECT_EQ(got.names, put.names);
        EXPECT_EQ(got.hints, put.hints);
        EXPECT_EQ(got.values, put.values);
        EXPECT_EQ(got.extraNames, put.extraNames);
    }
}

TEST(LspLibraries, RoutinesAreFoundByNameWithTheirCallRules)
{
    LibrarySet set({{TOVEL_COMPANION_DIR "/LibDev4410.s79"}, "", ""});
    EXPECT_TRUE(set.Refresh().empty());
    const std::vector<LibraryRoutine> found = set.Find("PwmSetDuty");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "PwmSetDuty");
    EXPECT_EQ(found[0].slots.size(), static_cast<size_t>(found[0].panel.nParams));
    EXPECT_TRUE(set.Find("NoSuchRoutine").empty());
    const tovel::cli::LintRoutine* rules = nullptr;
    if (const auto* list = set.Lint().Find("PwmSetDuty"))
        rules = &list->front();
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->prototype, found[0].line);
    EXPECT_EQ(set.Lint().Find("NoSuchRoutine"), nullptr);
}

} // namespace
