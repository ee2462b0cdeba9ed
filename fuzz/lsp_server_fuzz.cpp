// The language server's framing and dispatcher on arbitrary client bytes,
// after an initialize that names the sample library and an open document:
// the input is cut into reads of the sizes its first byte picks, with the
// idle pass after each read as the input loop makes it. Whatever comes in,
// the server answers only in whole frames.
// fuzz-max-len: 65536
#include "FuzzSupport.h"

#include "lsp/Framing.h"
#include "lsp/Server.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tovel::lsp;
    tovel::fuzz::Input input(data, size);
    const size_t cut = 1 + input.Byte() % 64;
    std::string out;
    Server server({"", [&out](std::string_view bytes) { out.append(bytes); }, nullptr});
    server.Receive(Frame(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{"textDocument":)"
                         R"({"completion":{"completionItem":{"snippetSupport":true}}}},"initializationOptions":)"
                         R"({"libraries":[")" TOVEL_COMPANION_DIR R"(/LibDev4410.s79"]}}})"));
    server.Receive(Frame(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
                         R"({"uri":"file:///f.c","languageId":"c","version":1,"text":"UartInit(0, 5, UART_TX|\n"}}})"));
    const std::string rest = input.Rest();
    for (size_t at = 0; at < rest.size() && !server.Finished(); at += cut) {
        server.Receive(std::string_view(rest).substr(at, cut));
        server.Idle();
    }
    MessageReader frames;
    frames.Feed(out);
    std::string body;
    MessageReader::Got got;
    while ((got = frames.Next(body)) == MessageReader::Got::Message)
        FUZZ_CHECK(!body.empty() && body.front() == '{' && body.back() == '}');
    FUZZ_CHECK(got == MessageReader::Got::Nothing && frames.Pending() == 0);
    return 0;
}
