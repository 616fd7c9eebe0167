#include "export/CWebConfig.h"

#include <crypt.h>

#include <array>
#include <cstring>

#include "export/YamlFile.h"

namespace {

// Basic credentials are base64; anything that is not decodes to nothing.
std::optional<std::string> DecodeBase64(std::string_view text) {
    constexpr std::string_view kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string decoded;
    unsigned nBits = 0;
    int nBitCount = 0;
    size_t nPadding = 0;
    for (const char c : text) {
        if (c == '=') {
            ++nPadding;
            continue;
        }
        const size_t nDigit = kDigits.find(c);
        if (nDigit == std::string_view::npos || nPadding > 0) {
            return std::nullopt;
        }
        nBits = (nBits << 6) | static_cast<unsigned>(nDigit);
        nBitCount += 6;
        if (nBitCount >= 8) {
            nBitCount -= 8;
            decoded += static_cast<char>((nBits >> nBitCount) & 0xFF);
        }
    }
    return nPadding <= 2 ? std::optional(decoded) : std::nullopt;
}

// Whether the password hashes to the stored bcrypt hash; the comparison
// takes as long whatever differs.
bool PasswordMatches(const std::string& strPassword, const std::string& strHash) {
    crypt_data data{};
    const char* pszHashed = ::crypt_rn(strPassword.c_str(), strHash.c_str(), &data, sizeof(data));
    if (pszHashed == nullptr || std::strlen(pszHashed) != strHash.size()) {
        return false;
    }
    unsigned char nDiffer = 0;
    for (size_t i = 0; i < strHash.size(); ++i) {
        nDiffer |= static_cast<unsigned char>(pszHashed[i] ^ strHash[i]);
    }
    return nDiffer == 0;
}

bool IsBcryptHash(const std::string& strHash) {
    return strHash.size() == 60 && strHash[0] == '$' && strHash[1] == '2' &&
           std::strchr("aby", strHash[2]) != nullptr && strHash[3] == '$';
}

}  // namespace

std::optional<CWebConfig> CWebConfig::Load(const std::string& strPath, std::string& strError) {
    const std::optional<YAML::Node> document = LoadYamlFile(strPath, strError);
    if (!document) {
        return std::nullopt;
    }
    const YAML::Node& root = *document;
    CWebConfig config;
    if (root.IsNull()) {
        return config;  // an empty file asks for nothing
    }
    if (!root.IsMap()) {
        strError = strPath + ": expected a mapping with basic_auth_users";
        return std::nullopt;
    }
    for (const auto& entry : root) {
        const std::string strKey = entry.first.as<std::string>();
        if (strKey == "tls_server_config") {
            strError = strPath +
                       ": TLS is not served by tunevoctl serve; keep it on 127.0.0.1 and put a "
                       "reverse proxy (nginx, Caddy) in front for TLS, as the README shows";
            return std::nullopt;
        }
        if (strKey != "basic_auth_users") {
            strError = strPath + ": " + strKey + " is not a setting this server knows";
            return std::nullopt;
        }
        if (!entry.second.IsMap()) {
            strError = strPath + ": basic_auth_users maps each user to a bcrypt hash";
            return std::nullopt;
        }
        for (const auto& user : entry.second) {
            const std::string strUser = user.first.as<std::string>();
            const std::string strHash = user.second.IsScalar() ? user.second.as<std::string>() : "";
            if (strUser.empty() || strUser.find(':') != std::string::npos || !IsBcryptHash(strHash)) {
                strError = strPath + ": the user \"" + strUser +
                           "\" needs a bcrypt hash ($2y$...), such as htpasswd -nBC 10 makes";
                return std::nullopt;
            }
            config.m_users[strUser] = strHash;
        }
    }
    return config;
}

bool CWebConfig::Accepts(const char* pszAuthorization) const {
    if (m_users.empty()) {
        return true;
    }
    constexpr std::string_view kBasic = "Basic ";
    if (pszAuthorization == nullptr || std::strncmp(pszAuthorization, kBasic.data(), kBasic.size()) != 0) {
        return false;
    }
    const std::optional<std::string> credentials =
        DecodeBase64(std::string_view(pszAuthorization).substr(kBasic.size()));
    const size_t nColon = credentials ? credentials->find(':') : std::string::npos;
    if (nColon == std::string::npos) {
        return false;
    }
    const auto user = m_users.find(credentials->substr(0, nColon));
    return user != m_users.end() && PasswordMatches(credentials->substr(nColon + 1), user->second);
}
