#include "platform/LocaleId.h"

#include <cstdlib>

uint32_t LcidFromLocaleName(std::string_view name) {
    // Only language and territory count: "zh_TW.UTF-8" and "zh_TW@x" are zh_TW.
    std::string_view languageTerritory = name.substr(0, name.find_first_of(".@"));
    if (languageTerritory == "zh_TW") {
        return kLcidTraditionalChinese;
    }
    if (languageTerritory == "zh_CN") {
        return kLcidSimplifiedChinese;
    }
    if (languageTerritory == "zh_HK") {
        return kLcidHongKongChinese;
    }
    return kLcidEnglishUs;
}

uint32_t GetSystemDefaultLCID() {
    for (const char* pszVariable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* pszValue = std::getenv(pszVariable);
        if (pszValue != nullptr && *pszValue != '\0') {
            return LcidFromLocaleName(pszValue);
        }
    }
    return kLcidEnglishUs;
}
