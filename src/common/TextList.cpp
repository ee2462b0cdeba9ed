#include "common/TextList.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace tovel {

TextList::TextList(const std::vector<std::string>& texts)
{
    size_t bytes = 0;
    for (const std::string& text : texts)
        bytes += text.size();
    reserve(texts.size(), bytes);
    for (const std::string& text : texts)
        push_back(text);
}

TextList::TextList(std::initializer_list<std::string_view> texts)
{
    for (std::string_view text : texts)
        push_back(text);
}

void TextList::reserve(size_t count, size_t bytes)
{
    m_spans.reserve(count);
    m_text.reserve(bytes);
}

void TextList::push_back(std::string_view text)
{
    insert(size(), text);
}

void TextList::insert(size_t at, std::string_view text)
{
    constexpr size_t kLimit = std::numeric_limits<uint32_t>::max();
    if (text.size() > kLimit - m_text.size())
        Compact();
    if (text.size() > kLimit - m_text.size())
        throw std::length_error("TextList: more than 4 GiB of text");
    const Span span{static_cast<uint32_t>(m_text.size()), static_cast<uint32_t>(text.size())};
    m_text.insert(m_text.end(), text.begin(), text.end());
    m_spans.insert(m_spans.begin() + static_cast<std::ptrdiff_t>(at), span);
}

void TextList::erase(size_t at)
{
    m_unused += m_spans[at].length;
    m_spans.erase(m_spans.begin() + static_cast<std::ptrdiff_t>(at));
    if (m_unused > m_text.size() - m_unused)
        Compact();
}

void TextList::clear()
{
    m_text.clear();
    m_spans.clear();
    m_unused = 0;
}

void TextList::Compact()
{
    decltype(m_text) text;
    text.reserve(m_text.size() - m_unused);
    for (Span& span : m_spans) {
        const auto offset = static_cast<uint32_t>(text.size());
        const char* from = m_text.data() + span.offset;
        text.insert(text.end(), from, from + span.length);
        span.offset = offset;
    }
    m_text.swap(text);
    m_unused = 0;
}

std::vector<std::string> TextList::ToVector() const
{
    std::vector<std::string> texts;
    texts.reserve(size());
    for (std::string_view text : *this)
        texts.emplace_back(text);
    return texts;
}

bool operator==(const TextList& a, const TextList& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool operator==(const TextList& a, const std::vector<std::string>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](std::string_view x, const std::string& y) { return x == y; });
}

} // namespace tovel
