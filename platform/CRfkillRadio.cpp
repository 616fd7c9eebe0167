#include "platform/CRfkillRadio.h"

#include <fstream>
#include <string>
#include <system_error>

namespace {

std::string ReadFirstWord(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string strWord;
    in >> strWord;
    return strWord;
}

}  // namespace

CRfkillRadio::CRfkillRadio(std::filesystem::path root) : m_root(std::move(root)) {}

bool CRfkillRadio::QueryMode(uint32_t& nMode) {
    std::error_code error;
    std::filesystem::directory_iterator it(m_root, error);
    if (error) {
        return false;
    }
    bool bFound = false;
    bool bAnyUnblocked = false;
    for (const auto& entry : it) {
        if (ReadFirstWord(entry.path() / "type") != "bluetooth") {
            continue;
        }
        bFound = true;
        bool bBlocked = ReadFirstWord(entry.path() / "soft") == "1" ||
                        ReadFirstWord(entry.path() / "hard") == "1";
        bAnyUnblocked = bAnyUnblocked || !bBlocked;
    }
    if (!bFound) {
        return false;
    }
    nMode = bAnyUnblocked ? 1 : 0;
    return true;
}
