#include "data/CSafetyNetSettings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "data/CIniDocument.h"
#include "data/IniPaths.h"
#include "data/Utf.h"

namespace {

constexpr std::u16string_view kSection = u"SafetyNet";

std::string PathIn(const std::string& strFolder) {
    return MakeIniPath(strFolder.empty() ? g_szProgramDir : strFolder, "/safety_net.ini");
}

int Seconds(const CIniDocument& document, std::u16string_view key, int nDefault) {
    const char16_t* pszValue = document.GetValue(kSection, key);
    if (pszValue == nullptr) {
        return nDefault;
    }
    const long nValue = std::strtol(ToUtf8(pszValue).c_str(), nullptr, 10);
    return static_cast<int>(std::clamp(nValue, 1L, long{SafetyNetSettings::kMostSeconds}));
}

bool Flag(const CIniDocument& document, std::u16string_view key) {
    const char16_t* pszValue = document.GetValue(kSection, key);
    return pszValue != nullptr && std::u16string_view(pszValue) == u"1";
}

}  // namespace

SafetyNetSettings SafetyNetSettings::Load(const std::string& strFolder) {
    SafetyNetSettings settings;
    CIniDocument document;
    if (document.LoadFile(PathIn(strFolder)) < 0) {
        return settings;
    }
    settings.bAskToKeep = Flag(document, u"AskToKeep");
    settings.nKeepSeconds = Seconds(document, u"KeepSeconds", settings.nKeepSeconds);
    settings.nStuckSeconds = Seconds(document, u"StuckSeconds", settings.nStuckSeconds);
    settings.bAutoRecover = Flag(document, u"AutoRecover");
    if (const char16_t* pszCode = document.GetValue(kSection, u"ReadyCode")) {
        const std::string strCode = ToUtf8(pszCode);
        char* pszEnd = nullptr;
        const long nCode = std::strtol(strCode.c_str(), &pszEnd, 16);
        if (!strCode.empty() && *pszEnd == '\0' && nCode >= 0 && nCode <= 0xFFFF) {
            settings.nReadyCode = static_cast<int>(nCode);
        }
    }
    return settings;
}

bool SafetyNetSettings::Save(std::string& strWhy, const std::string& strFolder) const {
    // Whatever else the file holds is kept.
    CIniDocument document;
    document.SetUnicode(true);
    document.LoadFile(PathIn(strFolder));
    char szCode[8];
    std::snprintf(szCode, sizeof(szCode), "%02X", static_cast<unsigned>(nReadyCode));
    document.SetValue(kSection, u"AskToKeep", bAskToKeep ? u"1" : u"0");
    document.SetValue(kSection, u"KeepSeconds", FromUtf8(std::to_string(nKeepSeconds)));
    document.SetValue(kSection, u"StuckSeconds", FromUtf8(std::to_string(nStuckSeconds)));
    document.SetValue(kSection, u"ReadyCode", FromUtf8(szCode));
    document.SetValue(kSection, u"AutoRecover", bAutoRecover ? u"1" : u"0");
    return document.SaveFile(PathIn(strFolder), &strWhy) >= 0;
}
