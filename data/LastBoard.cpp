#include "data/LastBoard.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "data/FileStore.h"
#include "platform/ProgramDir.h"

namespace {
// One address and nothing more: a path, an address or tcp:host:port.
constexpr size_t kLongestAddress = 4096;

std::string ConfigFolder() {
    const char* pszConfig = std::getenv("XDG_CONFIG_HOME");
    const char* pszHome = std::getenv("HOME");
    // A relative XDG_CONFIG_HOME is to be ignored, as the base-directory rules say.
    if (pszConfig != nullptr && pszConfig[0] == '/') {
        return std::string(pszConfig) + "/tunevo";
    }
    return pszHome != nullptr && pszHome[0] == '/' ? std::string(pszHome) + "/.config/tunevo" : "";
}
}  // namespace

std::string LastBoardFile() {
    const std::string strFolder = ConfigFolder();
    return strFolder.empty() ? "" : strFolder + "/board";
}

std::optional<std::string> ReadLastBoard() {
    std::ifstream file(LastBoardFile());
    std::string strAddress;
    if (!file || !std::getline(file, strAddress) || strAddress.empty() ||
        strAddress.size() > kLongestAddress) {
        return std::nullopt;
    }
    return strAddress;
}

bool RememberLastBoard(const std::string& strAddress) {
    const std::string strFile = LastBoardFile();
    std::string strWhy;
    if (strFile.empty() || strAddress.find('\n') != std::string::npos ||
        ReadLastBoard() == strAddress) {
        return !strFile.empty();
    }
    const std::string strFolder = strFile.substr(0, strFile.rfind('/'));
    return CreatePrivateFolder(strFolder, strWhy) && ReplaceFileWhole(strFile, strAddress + "\n");
}
