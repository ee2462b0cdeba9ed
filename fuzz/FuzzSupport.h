// Helpers shared by the fuzz targets: a reader that cuts the fuzzer's bytes
// into the pieces a target needs, and a check that stops the run loudly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Aborts with the failed condition, which the fuzzer reports as a crash and
// the replay program as a failed test.
#define FUZZ_CHECK(cond)                                                                                               \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);                              \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace tovel::fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_rest(reinterpret_cast<const char*>(data), size) {}

    bool Empty() const { return m_rest.empty(); }
    size_t Size() const { return m_rest.size(); }

    // One byte, 0 when nothing is left.
    uint8_t Byte()
    {
        if (m_rest.empty())
            return 0;
        const auto b = static_cast<uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return b;
    }

    bool Bool() { return (Byte() & 1) != 0; }

    // A number in [0, n) taken from one byte (n <= 256).
    unsigned Below(unsigned n) { return n == 0 ? 0 : Byte() % n; }

    // The bytes up to the next occurrence of the separator (which is
    // consumed), or everything that is left.
    std::string Until(std::string_view separator)
    {
        const size_t at = m_rest.find(separator);
        std::string piece(m_rest.substr(0, at));
        m_rest.remove_prefix(at == std::string_view::npos ? m_rest.size() : at + separator.size());
        return piece;
    }

    // A piece whose length is given by the next byte.
    std::string Short()
    {
        const size_t n = Byte();
        std::string piece(m_rest.substr(0, n));
        m_rest.remove_prefix(piece.size());
        return piece;
    }

    std::string Rest()
    {
        std::string piece(m_rest);
        m_rest = {};
        return piece;
    }

private:
    std::string_view m_rest;
};

} // namespace tovel::fuzz
