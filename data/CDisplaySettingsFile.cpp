#include "data/CDisplaySettingsFile.h"

#include "data/IniPaths.h"
#include "data/TextCase.h"

namespace {

constexpr std::u16string_view kDisplaySection = u"Display";
constexpr std::u16string_view kVersionSection = u"Version";
constexpr std::u16string_view kVersionKey = u"Ver";

}  // namespace

CDisplaySettingsFile::CDisplaySettingsFile()
    : CDisplaySettingsFile(MakeIniPath(g_szProgramDir, kDisplaySettingFileName)) {}

CDisplaySettingsFile::CDisplaySettingsFile(std::string strPath) : m_strPath(std::move(strPath)) {}

bool CDisplaySettingsFile::Load() {
    CIniDocument document;
    if (document.LoadFile(m_strPath) < 0) {
        return false;
    }
    DisplayMap entries;
    for (const std::u16string& name : document.GetAllKeys(kDisplaySection)) {
        entries[name] = document.GetString(kDisplaySection, name);
    }
    const char16_t* pszVersion = document.GetValue(kVersionSection, kVersionKey);
    m_bHasVersion = pszVersion != nullptr;
    m_version = m_bHasVersion ? pszVersion : u"";
    m_entries = std::move(entries);
    m_document.Swap(document);
    return true;
}

void CDisplaySettingsFile::SetEntry(std::u16string_view name, std::u16string_view value) {
    m_document.SetValue(kDisplaySection, name, value);
}

void CDisplaySettingsFile::SetVersion(std::u16string_view version) {
    m_document.SetValue(kVersionSection, kVersionKey, version);
}

bool CDisplaySettingsFile::Save() const {
    return m_document.SaveFile(m_strPath) >= 0;
}

CDisplaySettingsFile::DisplayMap CDisplaySettingsFile::ChooseForOverclock(
    const DisplayMap& defaults, std::u16string_view boardVersion) {
    const bool bLoaded = Load();
    if (bLoaded && m_bHasVersion && EqualsNoCase(m_version, boardVersion)) {
        return m_entries;
    }
    // An unknown board version says nothing about the file: it is kept as
    // it is, and its choice used while it has one.
    if (boardVersion.empty()) {
        return bLoaded && !m_entries.empty() ? m_entries : defaults;
    }
    return defaults;
}

bool CDisplaySettingsFile::IsShown(const DisplayMap& map, const std::u16string& name) {
    const auto it = map.find(name);
    return it != map.end() && EqualsNoCase(it->second, u"1");
}

bool CDisplaySettingsFile::IsChecked(const DisplayMap& map, const std::u16string& name) {
    return map.empty() || IsShown(map, name);
}
