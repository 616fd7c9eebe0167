#include "platform/CDevicePortOpener.h"

#include <cstdlib>

#include "platform/CSerialPort.h"

namespace {
constexpr std::string_view kNumberMark = "%d";
}

CDevicePortOpener::CDevicePortOpener(std::string strPattern)
    : m_strPattern(std::move(strPattern)) {}

std::string CDevicePortOpener::PatternFromEnvironment() {
    const char* pszValue = std::getenv(kPatternVariable);
    if (pszValue == nullptr || *pszValue == '\0') {
        return std::string(kDefaultPattern);
    }
    return pszValue;
}

bool CDevicePortOpener::IsValidPattern(std::string_view pattern) {
    size_t nMark = pattern.find(kNumberMark);
    if (nMark == std::string_view::npos) {
        return false;
    }
    // Any other '%' would be a second conversion or a stray one.
    size_t nPercents = 0;
    for (char ch : pattern) {
        nPercents += (ch == '%') ? 1 : 0;
    }
    return nPercents == 1;
}

std::optional<std::string> CDevicePortOpener::FormatPath(std::string_view pattern, int nPort) {
    if (!IsValidPattern(pattern)) {
        return std::nullopt;
    }
    // Substituted by hand: the pattern comes from the environment and must
    // never reach printf as a format.
    size_t nMark = pattern.find(kNumberMark);
    std::string strPath(pattern.substr(0, nMark));
    strPath += std::to_string(nPort);
    strPath += pattern.substr(nMark + kNumberMark.size());
    return strPath;
}

std::unique_ptr<ISerialPort> CDevicePortOpener::Open(int nPort, bool& bHeld) {
    bHeld = false;
    std::optional<std::string> path = FormatPath(m_strPattern, nPort);
    if (!path) {
        return nullptr;
    }
    return CSerialPort::Open(*path, bHeld);
}
