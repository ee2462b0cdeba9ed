#include "lsp/Framing.h"

#include <algorithm>

namespace tovel::lsp {

namespace {

constexpr std::string_view kLengthName = "Content-Length";

bool SameNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The Content-Length of a header, or a problem.
bool ParseHeader(std::string_view header, size_t& length, std::string& problem)
{
    bool found = false;
    while (!header.empty()) {
        const size_t end = header.find('\n');
        const std::string_view line = Trim(header.substr(0, end));
        header = end == std::string_view::npos ? std::string_view() : header.substr(end + 1);
        if (line.empty())
            continue;
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            problem = "a header line without ':'";
            return false;
        }
        if (!SameNoCase(Trim(line.substr(0, colon)), kLengthName))
            continue; // Content-Type and others
        const std::string_view value = Trim(line.substr(colon + 1));
        if (value.empty() || value.size() > 19
            || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            problem = "Content-Length is not a number";
            return false;
        }
        length = 0;
        for (const char c : value)
            length = length * 10 + static_cast<size_t>(c - '0');
        if (length > kMaxContentLength) {
            problem = "Content-Length " + std::string(value) + " is over the limit of "
                + std::to_string(kMaxContentLength) + " bytes";
            return false;
        }
        found = true;
    }
    if (!found)
        problem = "a header without Content-Length";
    return found;
}

} // namespace

void MessageReader::Feed(std::string_view bytes)
{
    // The bytes already taken are dropped once they are the larger part.
    if (m_pos > 0 && m_pos >= m_buffer.size() / 2) {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
    }
    m_buffer.append(bytes);
}

void MessageReader::Resync()
{
    const size_t next = m_buffer.find(kLengthName, m_pos + 1);
    if (next != std::string::npos) {
        m_pos = next;
    } else {
        // Only an end that may begin the next header is kept.
        size_t keep = m_buffer.size() > m_pos ? std::min(kLengthName.size() - 1, m_buffer.size() - m_pos - 1) : 0;
        while (keep > 0 && m_buffer.compare(m_buffer.size() - keep, keep, kLengthName, 0, keep) != 0)
            --keep;
        m_pos = m_buffer.size() - keep;
    }
    m_scanned = 0;
}

MessageReader::Got MessageReader::Next(std::string& out)
{
    if (m_inBody) {
        if (Pending() < m_body)
            return Got::Nothing;
        out.assign(m_buffer, m_pos, m_body);
        m_pos += m_body;
        m_inBody = false;
        m_scanned = 0;
        return Got::Message;
    }
    // Line ends between headers are tolerated.
    while (m_pos < m_buffer.size() && (m_buffer[m_pos] == '\r' || m_buffer[m_pos] == '\n'))
        ++m_pos;
    // The header ends at the first empty line ("\r\n\r\n", or "\n\n").
    const size_t from = m_pos + (m_scanned > 3 ? m_scanned - 3 : 0);
    size_t end = std::string::npos, after = 0;
    for (size_t i = m_buffer.find('\n', from); i != std::string::npos; i = m_buffer.find('\n', i + 1)) {
        if (i >= 1 && m_buffer[i - 1] == '\n' && i - 1 >= m_pos) {
            end = i - 1;
            after = i + 1;
            break;
        }
        if (i >= 3 && m_buffer.compare(i - 3, 4, "\r\n\r\n") == 0 && i - 3 >= m_pos) {
            end = i - 3;
            after = i + 1;
            break;
        }
        if (i - m_pos > kMaxHeaderBytes)
            break;
    }
    if (end == std::string::npos) {
        m_scanned = Pending();
        if (Pending() <= kMaxHeaderBytes)
            return Got::Nothing;
        out = "a header longer than " + std::to_string(kMaxHeaderBytes) + " bytes";
        Resync();
        return Got::Problem;
    }
    if (end - m_pos > kMaxHeaderBytes) {
        out = "a header longer than " + std::to_string(kMaxHeaderBytes) + " bytes";
        Resync();
        return Got::Problem;
    }
    size_t length = 0;
    std::string problem;
    if (!ParseHeader(std::string_view(m_buffer).substr(m_pos, end - m_pos), length, problem)) {
        out = problem;
        Resync();
        return Got::Problem;
    }
    m_pos = after;
    m_body = length;
    m_inBody = true;
    m_scanned = 0;
    return Next(out);
}

std::string Frame(std::string_view body)
{
    std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    framed.append(body);
    return framed;
}

} // namespace tovel::lsp
