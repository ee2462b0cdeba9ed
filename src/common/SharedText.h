// A byte string whose buffer the dialog's field and the control it is shown
// in hold together: pushing a large text into its view, or pulling it back,
// copies a pointer, not the bytes. Assigning a new text replaces the buffer;
// the old one lives on only as long as a holder still shows it.
#pragma once

#include "common/ByteLines.h"

#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace tovel {

class SharedText {
public:
    SharedText() = default;
    SharedText(std::string text) : m_text(std::make_shared<const std::string>(std::move(text))) {}
    SharedText(const char* text) : SharedText(std::string(text)) {}
    explicit SharedText(SharedBytes shared) : m_text(std::move(shared)) {}

    SharedText& operator=(std::string text)
    {
        m_text = std::make_shared<const std::string>(std::move(text));
        return *this;
    }
    SharedText& operator=(const char* text) { return *this = std::string(text); }

    const std::string& str() const { return m_text ? *m_text : Empty(); }
    operator const std::string&() const { return str(); }
    bool empty() const { return str().empty(); }
    size_t size() const { return str().size(); }
    void clear() { m_text.reset(); }
    // The buffer to hand to a view; never null.
    SharedBytes Share() const { return m_text ? m_text : std::make_shared<const std::string>(); }

    friend bool operator==(const SharedText& a, std::string_view b) { return std::string_view(a.str()) == b; }
    friend std::ostream& operator<<(std::ostream& out, const SharedText& text) { return out << text.str(); }

private:
    static const std::string& Empty()
    {
        static const std::string empty;
        return empty;
    }

    SharedBytes m_text;
};

} // namespace tovel
