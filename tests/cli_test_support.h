// Helpers of the tovel-cli tests: temporary folders, running the built
// program, and a small strict JSON reader to look into what it prints.
#pragma once

#include "cli/Process.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace tovel::clitest {

// Scratch folders and file bytes come from the shared test support.
using TempFolder = testsupport::TempFolder;
inline std::string ReadBytes(const std::string& path)
{
    return testsupport::ReadFileBytes(path);
}

#ifndef _WIN32
// An environment for the program: the current one with some variables
// replaced ("NAME=value") or removed ("NAME").
inline std::vector<std::string> Environment(const std::vector<std::string>& changes)
{
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const size_t eq = entry.find('=');
        if (eq != std::string::npos)
            vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const std::string& change : changes) {
        const size_t eq = change.find('=');
        if (eq == std::string::npos)
            vars.erase(change);
        else
            vars[change.substr(0, eq)] = change.substr(eq + 1);
    }
    std::vector<std::string> env;
    for (const auto& [name, value] : vars)
        env.push_back(name + "=" + value);
    return env;
}

// Runs the program with the arguments; no display unless the changes set one.
// In a sanitizer build a fault found in the program ends it with status 86,
// which no command of its own uses.
inline cli::ProcessResult RunProgram(const std::string& program, std::vector<std::string> args,
                                     std::vector<std::string> changes = {})
{
    args.insert(args.begin(), program);
    std::vector<std::string> sanitizers;
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const char* value = std::getenv(name);
        sanitizers.push_back(std::string(name) + "=" + (value && *value ? std::string(value) + ":" : "")
                             + "exitcode=86");
    }
    changes.insert(changes.begin(), sanitizers.begin(), sanitizers.end());
    changes.insert(changes.begin(), {"DISPLAY", "WAYLAND_DISPLAY"});
    cli::ProcessOptions options;
    options.environment = Environment(changes);
    return cli::RunProcess(args, options);
}

#endif

// A parsed JSON value.
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json& operator[](const std::string& key) const
    {
        static const Json kMissing;
        for (const auto& [name, value] : members)
            if (name == key)
                return value;
        return kMissing;
    }
    const Json& operator[](size_t i) const
    {
        static const Json kMissing;
        return i < items.size() ? items[i] : kMissing;
    }
    bool Has(const std::string& key) const
    {
        for (const auto& member : members)
            if (member.first == key)
                return true;
        return false;
    }
};

// A strict reader of RFC 8259 JSON: one value, white space around it,
// strings of valid UTF-8. Sets error on the first fault.
class JsonReader {
public:
    explicit JsonReader(std::string_view text) : m_text(text) {}

    bool Read(Json& value, std::string& error)
    {
        Skip();
        if (!Value(value, 0)) {
            error = m_error + " at byte " + std::to_string(m_pos);
            return false;
        }
        Skip();
        if (m_pos != m_text.size()) {
            error = "text after the value at byte " + std::to_string(m_pos);
            return false;
        }
        return true;
    }

private:
    bool Fail(const char* why)
    {
        if (m_error.empty())
            m_error = why;
        return false;
    }
    void Skip()
    {
        while (m_pos < m_text.size()
               && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    bool Literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return Fail("unknown literal");
        m_pos += word.size();
        return true;
    }
    bool Value(Json& v, int depth)
    {
        if (depth > 64)
            return Fail("too deep");
        if (m_pos >= m_text.size())
            return Fail("value expected");
        const char c = m_text[m_pos];
        if (c == '{')
            return Object(v, depth);
        if (c == '[')
            return Array(v, depth);
        if (c == '"') {
            v.kind = Json::Kind::String;
            return String(v.text);
        }
        if (c == 't' || c == 'f') {
            v.kind = Json::Kind::Bool;
            v.boolean = c == 't';
            return Literal(c == 't' ? "true" : "false");
        }
        if (c == 'n')
            return Literal("null");
        return Number(v);
    }
    bool Object(Json& v, int depth)
    {
        v.kind = Json::Kind::Object;
        ++m_pos;
        Skip();
        if (m_pos < m_text.size() && m_text[m_pos] == '}') {
            ++m_pos;
            return true;
        }
        for (;;) {
            Skip();
            std::string key;
            if (m_pos >= m_text.size() || m_text[m_pos] != '"' || !String(key))
                return Fail("member name expected");
            Skip();
            if (m_pos >= m_text.size() || m_text[m_pos] != ':')
                return Fail("':' expected");
            ++m_pos;
            Skip();
            Json member;
            if (!Value(member, depth + 1))
                return false;
            v.members.emplace_back(std::move(key), std::move(member));
            Skip();
            if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                ++m_pos;
                return true;
            }
            return Fail("',' or '}' expected");
        }
    }
    bool Array(Json& v, int depth)
    {
        v.kind = Json::Kind::Array;
        ++m_pos;
        Skip();
        if (m_pos < m_text.size() && m_text[m_pos] == ']') {
            ++m_pos;
            return true;
        }
        for (;;) {
            Skip();
            Json item;
            if (!Value(item, depth + 1))
                return false;
            v.items.push_back(std::move(item));
            Skip();
            if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                ++m_pos;
                return true;
            }
            return Fail("',' or ']' expected");
        }
    }
    static void AppendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool String(std::string& out)
    {
        ++m_pos;
        while (m_pos < m_text.size()) {
            const auto c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (c < 0x20)
                return Fail("raw control character in a string");
            if (c == '\\') {
                if (++m_pos >= m_text.size())
                    return Fail("escape expected");
                const char e = m_text[m_pos++];
                switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    if (m_pos + 4 > m_text.size())
                        return Fail("short \\u escape");
                    unsigned code = 0;
                    for (int i = 0; i < 4; ++i) {
                        const char h = m_text[m_pos++];
                        code <<= 4;
                        if (h >= '0' && h <= '9')
                            code |= static_cast<unsigned>(h - '0');
                        else if (h >= 'a' && h <= 'f')
                            code |= static_cast<unsigned>(h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F')
                            code |= static_cast<unsigned>(h - 'A' + 10);
                        else
                            return Fail("bad \\u escape");
                    }
                    if (code >= 0xD800 && code <= 0xDFFF)
                        return Fail("surrogate escape");
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    return Fail("unknown escape");
                }
                continue;
            }
            if (c >= 0x80) {
                size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
                if (c > 0xF4)
                    len = 0;
                if (len == 0 || m_pos + len > m_text.size())
                    return Fail("invalid UTF-8");
                for (size_t i = 1; i < len; ++i)
                    if ((static_cast<unsigned char>(m_text[m_pos + i]) & 0xC0) != 0x80)
                        return Fail("invalid UTF-8");
                out.append(m_text.substr(m_pos, len));
                m_pos += len;
                continue;
            }
            out += static_cast<char>(c);
            ++m_pos;
        }
        return Fail("unterminated string");
    }
    bool Number(Json& v)
    {
        const size_t start = m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '-')
            ++m_pos;
        auto digits = [&] {
            const size_t from = m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
                ++m_pos;
            return m_pos - from;
        };
        const size_t intStart = m_pos;
        const size_t intDigits = digits();
        if (intDigits == 0 || (intDigits > 1 && m_text[intStart] == '0'))
            return Fail("bad number");
        if (m_pos < m_text.size() && m_text[m_pos] == '.') {
            ++m_pos;
            if (digits() == 0)
                return Fail("bad fraction");
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
                ++m_pos;
            if (digits() == 0)
                return Fail("bad exponent");
        }
        v.kind = Json::Kind::Number;
        v.number = std::strtod(std::string(m_text.substr(start, m_pos - start)).c_str(), nullptr);
        return true;
    }

    std::string_view m_text;
    size_t m_pos = 0;
    std::string m_error;
};

} // namespace tovel::clitest
