#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* pszName, const char* pszValue) : m_strName(pszName) {
        const char* pszOld = std::getenv(pszName);
        m_old = pszOld != nullptr ? std::optional<std::string>(pszOld) : std::nullopt;
        pszValue != nullptr ? setenv(pszName, pszValue, 1) : unsetenv(pszName);
    }
    ~ScopedEnv() {
        m_old ? setenv(m_strName.c_str(), m_old->c_str(), 1) : unsetenv(m_strName.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_strName;
    std::optional<std::string> m_old;
};
