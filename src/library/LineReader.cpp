#include "library/LineReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tovel {

namespace {

constexpr size_t kBlockSize = 64 * 1024;

void FinishPiece(std::string& out)
{
    // The text of a line ends at its first NUL byte.
    const auto nul = out.find('\0');
    if (nul != std::string::npos)
        out.resize(nul);
}

} // namespace

void NextLinePiece(const char* buf, size_t size, size_t& pos, std::string& out)
{
    out.clear();
    if (pos >= size)
        return;
    const size_t avail = size - pos;
    const size_t limit = avail < kMaxLinePiece ? avail : kMaxLinePiece;
    const void* lf = std::memchr(buf + pos, '\n', limit);
    const size_t len = lf ? static_cast<size_t>(static_cast<const char*>(lf) - (buf + pos)) + 1 : limit;
    out.assign(buf + pos, len);
    pos += len;
    FinishPiece(out);
}

std::string_view NextLinePieceView(const char* buf, size_t size, size_t& pos)
{
    if (pos >= size)
        return {};
    const size_t avail = size - pos;
    const size_t limit = avail < kMaxLinePiece ? avail : kMaxLinePiece;
    const void* lf = std::memchr(buf + pos, '\n', limit);
    const size_t len = lf ? static_cast<size_t>(static_cast<const char*>(lf) - (buf + pos)) + 1 : limit;
    std::string_view piece(buf + pos, len);
    pos += len;
    // The text of a line ends at its first NUL byte.
    if (const void* nul = std::memchr(piece.data(), '\0', piece.size()))
        piece = piece.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - piece.data()));
    return piece;
}

TextSearcher::TextSearcher(std::string_view text) : m_text(text)
{
    // Horspool: how far the window may move when its last byte is c.
    const size_t m = m_text.size();
    for (size_t& shift : m_shift)
        shift = m == 0 ? 1 : m;
    for (size_t i = 0; i + 1 < m; ++i)
        m_shift[static_cast<unsigned char>(m_text[i])] = m - 1 - i;
}

const char* TextSearcher::Find(const char* first, const char* last) const
{
    const size_t m = m_text.size();
    if (m == 0 || static_cast<size_t>(last - first) < m)
        return m == 0 ? first : last;
    if (m == 1) {
        const void* at = std::memchr(first, m_text[0], static_cast<size_t>(last - first));
        return at ? static_cast<const char*>(at) : last;
    }
    const char tail = m_text[m - 1];
    for (const char* at = first; static_cast<size_t>(last - at) >= m;) {
        const char c = at[m - 1];
        if (c == tail && std::memcmp(at, m_text.data(), m - 1) == 0)
            return at;
        at += m_shift[static_cast<unsigned char>(c)];
    }
    return last;
}

PieceSkip SkipPiecesWithout(const char* buf, size_t pos, size_t end, bool atEnd, const TextSearcher& searcher)
{
    PieceSkip skip;
    skip.pos = pos;
    if (pos >= end)
        return skip;
    const size_t m = searcher.Text().size();
    const char* found = searcher.Find(buf + pos, buf + end);
    skip.hit = found != buf + end;
    // Where the first piece that may hold the text begins: its first
    // occurrence, or, further input to come, the last bytes where one may
    // still start.
    size_t target = end;
    if (skip.hit)
        target = static_cast<size_t>(found - buf);
    else if (!atEnd)
        target = end - pos >= m ? end - (m - 1) : pos;
    // Back to the start of the line that holds target: a line start is a
    // piece start. Without a line feed in between, pos's own line goes on.
    size_t lineStart = pos;
    for (size_t i = target; i > pos; --i) {
        if (buf[i - 1] == '\n') {
            lineStart = i;
            break;
        }
    }
    // Whole pieces of that line before target hold no occurrence either.
    const size_t to = lineStart + (target - lineStart) / kMaxLinePiece * kMaxLinePiece;
    if (std::memchr(buf + pos, '\0', to - pos) != nullptr) {
        skip.blocked = true;
        return skip;
    }
    skip.pos = to;
    return skip;
}

namespace {

// The reader's searcher for text, made anew only when text changes.
const TextSearcher& SearcherFor(std::unique_ptr<TextSearcher>& held, std::string_view text)
{
    if (!held || held->Text() != text)
        held = std::make_unique<TextSearcher>(text);
    return *held;
}

// How the piece buf[before, after) ended.
LineSource::PieceEnd EndOfPiece(const char* buf, size_t before, size_t after)
{
    return {after - before, after > before && buf[after - 1] == '\n'};
}

} // namespace

StringLineReader::StringLineReader(std::string text) : m_text(std::move(text)) {}

void StringLineReader::SkipToLineWith(std::string_view text)
{
    if (text.empty() || m_skipBlocked)
        return;
    const PieceSkip skip = SkipPiecesWithout(m_text.data(), m_pos, m_text.size(), true, SearcherFor(m_searcher, text));
    if (skip.blocked)
        m_skipBlocked = true;
    else
        m_pos = skip.pos;
}

void StringLineReader::ReadLineInto(std::string& out)
{
    const size_t before = m_pos;
    NextLinePiece(m_text.data(), m_text.size(), m_pos, out);
    m_last = EndOfPiece(m_text.data(), before, m_pos);
}

std::string_view StringLineReader::NextLine()
{
    const size_t before = m_pos;
    const std::string_view line = NextLinePieceView(m_text.data(), m_text.size(), m_pos);
    m_last = EndOfPiece(m_text.data(), before, m_pos);
    return line;
}

FileLineReader::~FileLineReader()
{
    Close();
}

bool FileLineReader::Open(const std::string& path)
{
    Close();
    m_failure.clear();
    if (path.empty())
        return Refuse("the path is empty");
    // The reason is taken from errno at once, before any other call can change it.
    const auto systemReason = [] { return errno == ENOENT ? std::string("no such file") : std::strerror(errno); };
#ifdef _WIN32
    struct _stat64 st {};
    if (_stat64(path.c_str(), &st) != 0)
        return Refuse(systemReason());
    if ((st.st_mode & _S_IFMT) == _S_IFDIR)
        return Refuse("it is a folder");
    if ((st.st_mode & _S_IFMT) != _S_IFREG)
        return Refuse("it is not a regular file");
    int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0)
        return Refuse(systemReason());
#else
    // O_NONBLOCK keeps open() from waiting on a FIFO; fstat then refuses it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Refuse(systemReason());
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const std::string reason = systemReason();
        ::close(fd);
        return Refuse(reason);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Refuse(S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file");
    }
#endif
    m_fd = fd;
    m_size = static_cast<size_t>(st.st_size);
    m_buf.resize(kBlockSize);
    m_pos = m_end = 0;
    m_eof = false;
    return true;
}

bool FileLineReader::Refuse(std::string reason)
{
    m_failure = std::move(reason);
    return false;
}

void FileLineReader::Close()
{
    if (m_fd >= 0) {
#ifdef _WIN32
        _close(m_fd);
#else
        ::close(m_fd);
#endif
    }
    m_fd = -1;
    m_pos = m_end = 0;
    m_eof = true;
    m_size = 0;
}

bool FileLineReader::Fill()
{
    // Keeps the unread tail and appends the next block behind it.
    if (m_eof || m_fd < 0)
        return false;
    if (m_pos > 0) {
        std::memmove(m_buf.data(), m_buf.data() + m_pos, m_end - m_pos);
        m_end -= m_pos;
        m_pos = 0;
    }
    for (;;) {
#ifdef _WIN32
        int got = _read(m_fd, m_buf.data() + m_end, static_cast<unsigned>(m_buf.size() - m_end));
#else
        ssize_t got = ::read(m_fd, m_buf.data() + m_end, m_buf.size() - m_end);
        if (got < 0 && errno == EINTR)
            continue;
#endif
        if (got <= 0) {
            if (got < 0)
                m_failure = std::strerror(errno);
            m_eof = true;
            return false;
        }
        m_end += static_cast<size_t>(got);
        return true;
    }
}

void FileLineReader::BufferPiece()
{
    if (m_end - m_pos < kMaxLinePiece && !m_eof) {
        const void* lf = std::memchr(m_buf.data() + m_pos, '\n', m_end - m_pos);
        while (!lf && m_end - m_pos < kMaxLinePiece && Fill())
            lf = std::memchr(m_buf.data() + m_pos, '\n', m_end - m_pos);
    }
}

void FileLineReader::ReadLineInto(std::string& out)
{
    out.clear();
    m_last = {};
    if (m_fd < 0)
        return;
    BufferPiece();
    const size_t before = m_pos;
    NextLinePiece(m_buf.data(), m_end, m_pos, out);
    m_last = EndOfPiece(m_buf.data(), before, m_pos);
}

std::string_view FileLineReader::NextLine()
{
    m_last = {};
    if (m_fd < 0)
        return {};
    BufferPiece();
    const size_t before = m_pos;
    const std::string_view line = NextLinePieceView(m_buf.data(), m_end, m_pos);
    m_last = EndOfPiece(m_buf.data(), before, m_pos);
    return line;
}

bool FileLineReader::AtEnd()
{
    if (m_fd < 0)
        return true;
    BufferPiece();
    return m_pos >= m_end;
}

void FileLineReader::SkipToLineWith(std::string_view text)
{
    if (text.empty() || m_fd < 0 || m_skipBlocked)
        return;
    const TextSearcher& searcher = SearcherFor(m_searcher, text);
    for (;;) {
        const PieceSkip skip = SkipPiecesWithout(m_buf.data(), m_pos, m_end, m_eof, searcher);
        if (skip.blocked) {
            m_skipBlocked = true;
            return;
        }
        m_pos = skip.pos;
        // A long unread rest (a long line) is left to the line reading.
        if (skip.hit || m_eof || m_end - m_pos > m_buf.size() / 2)
            return;
        Fill();
    }
}

bool CanOpenForReading(const std::string& path)
{
    FileLineReader reader;
    return reader.Open(path);
}

} // namespace tovel
