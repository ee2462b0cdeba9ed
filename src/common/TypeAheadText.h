// The text typed into an open list to find an item: characters that follow
// each other within the pause add up; after a longer pause a character
// starts the text anew.
#pragma once

#include <cstdint>
#include <string>

namespace tovel {

class TypeAheadText {
public:
    static constexpr int64_t kPauseMs = 1000;

    const std::string& Type(char c, int64_t nowMs)
    {
        Expire(nowMs);
        m_text.push_back(c);
        return m_text;
    }

    // Removes the last character (there is none once the pause has passed).
    const std::string& Backspace(int64_t nowMs)
    {
        Expire(nowMs);
        if (!m_text.empty())
            m_text.pop_back();
        return m_text;
    }

    void Clear() { m_text.clear(); }
    const std::string& Text() const { return m_text; }

private:
    void Expire(int64_t nowMs)
    {
        if (nowMs - m_last > kPauseMs)
            m_text.clear();
        m_last = nowMs;
    }

    std::string m_text;
    int64_t m_last = 0;
};

} // namespace tovel
