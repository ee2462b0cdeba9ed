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

StringLineReader::StringLineReader(std::string text) : m_text(std::move(text)) {}

void StringLineReader::ReadLineInto(std::string& out)
{
    NextLinePiece(m_text.data(), m_text.size(), m_pos, out);
}

std::string_view StringLineReader::NextLine()
{
    return NextLinePieceView(m_text.data(), m_text.size(), m_pos);
}

FileLineReader::~FileLineReader()
{
    Close();
}

bool FileLineReader::Open(const std::string& path)
{
    Close();
    if (path.empty())
        return false;
#ifdef _WIN32
    struct _stat64 st {};
    if (_stat64(path.c_str(), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG)
        return false;
    int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0)
        return false;
#else
    // O_NONBLOCK keeps open() from waiting on a FIFO; fstat then refuses it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
#endif
    m_fd = fd;
    m_size = static_cast<size_t>(st.st_size);
    m_buf.resize(kBlockSize);
    m_pos = m_end = 0;
    m_eof = false;
    return true;
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
    if (m_fd < 0)
        return;
    BufferPiece();
    NextLinePiece(m_buf.data(), m_end, m_pos, out);
}

std::string_view FileLineReader::NextLine()
{
    if (m_fd < 0)
        return {};
    BufferPiece();
    return NextLinePieceView(m_buf.data(), m_end, m_pos);
}

bool CanOpenForReading(const std::string& path)
{
    FileLineReader reader;
    return reader.Open(path);
}

} // namespace tovel
