// A list of byte texts held in one buffer: the texts one after another, and
// an (offset, length) entry per item. Filling it makes no allocation per
// item, and a sort moves only the 8-byte entries. A buffer of large pages
// backs a long list (common/LargeBuffer.h).
#pragma once

#include "common/LargeBuffer.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

class TextList {
public:
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const TextList* list, size_t at) : m_list(list), m_at(static_cast<difference_type>(at)) {}

        std::string_view operator*() const { return (*m_list)[static_cast<size_t>(m_at)]; }
        std::string_view operator[](difference_type n) const { return (*m_list)[static_cast<size_t>(m_at + n)]; }
        const_iterator& operator++() { return ++m_at, *this; }
        const_iterator& operator--() { return --m_at, *this; }
        const_iterator operator++(int) { return {m_list, static_cast<size_t>(m_at++)}; }
        const_iterator operator--(int) { return {m_list, static_cast<size_t>(m_at--)}; }
        const_iterator& operator+=(difference_type n) { return m_at += n, *this; }
        const_iterator& operator-=(difference_type n) { return m_at -= n, *this; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.m_at - b.m_at; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.m_at == b.m_at; }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.m_at <=> b.m_at; }

    private:
        const TextList* m_list = nullptr;
        difference_type m_at = 0;
    };
    using iterator = const_iterator;
    using value_type = std::string_view;
    using size_type = size_t;

    TextList() = default;
    TextList(const std::vector<std::string>& texts);
    TextList(std::initializer_list<std::string_view> texts);

    size_t size() const { return m_spans.size(); }
    bool empty() const { return m_spans.empty(); }
    std::string_view operator[](size_t i) const { return {m_text.data() + m_spans[i].offset, m_spans[i].length}; }
    std::string_view front() const { return (*this)[0]; }
    std::string_view back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // Room for count items of bytes bytes in all; room never used is never touched.
    void reserve(size_t count, size_t bytes);
    void push_back(std::string_view text);
    // Puts text at position at (0 to size()), the later items moving down.
    void insert(size_t at, std::string_view text);
    // Removes item at; its bytes stay in the buffer until the list is
    // filled again, or until the unused bytes outweigh the used ones.
    void erase(size_t at);
    void clear();

    // A copy as separate strings.
    std::vector<std::string> ToVector() const;
    operator std::vector<std::string>() const { return ToVector(); }

    friend bool operator==(const TextList& a, const TextList& b);
    friend bool operator==(const TextList& a, const std::vector<std::string>& b);

private:
    struct Span {
        uint32_t offset;
        uint32_t length;
    };
    friend void SortFunctionList(TextList& items);

    void Compact();

    std::vector<char, LargePageAllocator<char>> m_text; // every text, one after another
    std::vector<Span> m_spans;                          // item i within m_text
    size_t m_unused = 0;                                // bytes of m_text that no span covers
};

} // namespace tovel
