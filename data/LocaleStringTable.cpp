#include "data/LocaleStringTable.h"

#include "data/CIniDocument.h"
#include "data/IniPaths.h"
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
    CIniDocument document;
    document.SetUnicode(true);
    // A failed load leaves the document empty, and so the table: blank labels.
    document.LoadFile(TextFilePath(programDir, kLocaleFileName));
    const std::u16string_view section = SectionForLcid(nLcid);
    for (const std::u16string& key : document.GetAllKeys(section)) {
        m_texts.insert_or_assign(key, document.GetString(section, key));
    }
}

std::u16string LocaleStringTable::GetString(std::u16string_view key) const {
    auto it = m_texts.find(key);
    return it != m_texts.end() ? it->second : std::u16string();
}
