// The message framing of the protocol: a header of "Name: value" lines
// ending in an empty line, its Content-Length giving the body's bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tovel::lsp {

// The largest body taken; a longer one is refused without being read.
inline constexpr size_t kMaxContentLength = 64u * 1024 * 1024;
// The most bytes a header may have before its empty line.
inline constexpr size_t kMaxHeaderBytes = 8 * 1024;

// Cuts the bytes that come in into message bodies. A header without a
// usable Content-Length, a header too long or a length over the cap is
// reported once and skipped: reading goes on at the next "Content-Length"
// in the input. Work stays linear in the bytes fed, however they are cut.
class MessageReader {
public:
    void Feed(std::string_view bytes);

    enum class Got { Nothing, Message, Problem };
    // The next body (Message) or what was wrong (Problem) into out; Nothing
    // when the bytes fed so far hold no more.
    Got Next(std::string& out);
    // Bytes held that belong to no message yet.
    size_t Pending() const { return m_buffer.size() - m_pos; }

private:
    // Drops the bytes up to the next header start after the current one.
    void Resync();

    std::string m_buffer;
    size_t m_pos = 0;     // where the current header (or body) begins
    size_t m_scanned = 0; // how far the search for the header's end has come, from m_pos
    size_t m_body = 0;    // the body's length once its header is read
    bool m_inBody = false;
};

// The framed form of a body.
std::string Frame(std::string_view body);

} // namespace tovel::lsp
