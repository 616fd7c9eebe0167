#pragma once

#include <map>
#include <optional>
#include <string>

// The --web.config.file of `tunevoctl serve`, in the format Prometheus'
// own exporters read: "basic_auth_users" maps each user to a bcrypt hash
// of the password. TLS is not served here (a reverse proxy does that), so a
// file that asks for it is refused rather than served in the clear.
class CWebConfig {
public:
    // Nothing with strError set when the file cannot be read or is not one
    // this server can honour.
    static std::optional<CWebConfig> Load(const std::string& strPath, std::string& strError);

    bool RequiresAuth() const { return !m_users.empty(); }
    // Whether an Authorization header's basic credentials name a user with
    // that password; always true when no user is configured.
    bool Accepts(const char* pszAuthorization) const;

private:
    std::map<std::string, std::string> m_users;  // user to bcrypt hash
};
