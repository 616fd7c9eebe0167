#include "data/LocaleStringTable.h"

#include "data/BuiltInTexts.h"
#include "data/CIniDocument.h"
#include "data/IniPaths.h"
#include "data/Utf.h"
#include "platform/LocaleId.h"

LocaleStringTable& LocaleStringTable::Instance() {
    static LocaleStringTable table;
    return table;
}

std::u16string_view LocaleStringTable::SectionForLcid(uint32_t nLcid) {
    switch (nLcid) {
        case kLcidTraditionalChinese:
            return u"Traditional";
        case kLcidSimplifiedChinese:
            return u"Chinese";
        default:
            // No fallback between languages: Hong Kong and all others read English.
            return u"English";
    }
}

void LocaleStringTable::Load() {
    Load(g_szProgramDir, GetSystemDefaultLCID());
}

void LocaleStringTable::Load(std::string_view programDir, uint32_t nLcid) {
    m_texts.clear();
    m_strProblem.clear();
    const std::string strPath = TextFilePath(programDir, kLocaleFileName);
    CIniDocument document;
    document.SetUnicode(true);
    const bool bRead = document.LoadFile(strPath) >= 0;
    const std::u16string_view section = SectionForLcid(nLcid);
    for (const std::u16string& key : document.GetAllKeys(section)) {
        m_texts.insert_or_assign(key, document.GetString(section, key));
    }
    // A label left blank says nothing: the built-in English stands in.
    CIniDocument builtIn;
    builtIn.SetUnicode(true);
    builtIn.LoadBytes(std::string(kBuiltInLocaleText));
    size_t nMissing = 0;
    for (const std::u16string& key : builtIn.GetAllKeys(u"English")) {
        if (m_texts.emplace(key, builtIn.GetString(u"English", key)).second) {
            ++nMissing;
        }
    }
    if (!bRead) {
        m_strProblem = strPath + " cannot be read; the built-in English texts are shown";
    } else if (nMissing > 0) {
        m_strProblem = strPath + " lacks " + std::to_string(nMissing) + " texts of [" +
                       ToUtf8(section) + "]; the built-in English ones stand in for them";
    }
}

std::u16string LocaleStringTable::GetString(std::u16string_view key) const {
    auto it = m_texts.find(key);
    return it != m_texts.end() ? it->second : std::u16string();
}
