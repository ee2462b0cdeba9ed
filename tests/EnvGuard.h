// Restores an environment variable when a test ends.
#pragma once

#include <cstdlib>
#include <string>

namespace tovel::testing {

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : m_name(name)
    {
        if (const char* v = std::getenv(name)) {
            m_had = true;
            m_value = v;
        }
    }
    ~EnvGuard()
    {
#ifdef _WIN32
        _putenv_s(m_name, m_had ? m_value.c_str() : "");
#else
        if (m_had)
            ::setenv(m_name, m_value.c_str(), 1);
        else
            ::unsetenv(m_name);
#endif
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    const char* m_name;
    bool m_had = false;
    std::string m_value;
};

} // namespace tovel::testing
