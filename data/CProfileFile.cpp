#include "data/CProfileFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "data/IniPaths.h"
#include "data/TextCase.h"
#include "data/Utf.h"

namespace {

constexpr std::u16string_view kVersionSection = u"Version";
constexpr std::u16string_view kVersionKey = u"Ver";

}  // namespace

CProfileFile::CProfileFile() : CProfileFile(MakeIniPath(g_szProgramDir, kProfileFileName)) {}

CProfileFile::CProfileFile(std::string strPath) : m_strPath(std::move(strPath)) {}

bool CProfileFile::Load() {
    // Parsed aside: a half-parsed document must not be written back over the file.
    CIniDocument document;
    const bool bLoaded = document.LoadFile(m_strPath) >= 0;
    if (!bLoaded) {
        document.Clear();
    }
    m_document.Swap(document);
    return bLoaded;
}

bool CProfileFile::LoadForBoard(std::u16string_view boardVersion) {
    m_bStale = false;
    if (!Load()) {
        return false;
    }
    m_bStale = IsStale(boardVersion);
    if (m_bStale) {
        m_document.Clear();
        return false;
    }
    return true;
}

bool CProfileFile::IsStale(std::u16string_view boardVersion) const {
    // Without a known board version nothing can be stale: the description
    // may only have failed to download.
    return !boardVersion.empty() && !EqualsNoCase(GetVersion(), boardVersion);
}

std::u16string CProfileFile::SectionName(int nProfile) {
    switch (nProfile) {
        case 1:
            return u"Profile1";
        case 2:
            return u"Profile2";
        default:
            return {};
    }
}

bool CProfileFile::HasProfile(int nProfile) const {
    const std::u16string section = SectionName(nProfile);
    return !section.empty() && !m_document.GetAllKeys(section).empty();
}

std::optional<std::u16string> CProfileFile::GetValue(int nProfile, std::u16string_view name) const {
    const std::u16string section = SectionName(nProfile);
    const char16_t* pszValue = section.empty() ? nullptr : m_document.GetValue(section, name);
    if (pszValue == nullptr) {
        return std::nullopt;
    }
    return std::u16string(pszValue);
}

void CProfileFile::SetValue(int nProfile, std::u16string_view name, std::u16string_view text) {
    const std::u16string section = SectionName(nProfile);
    if (!section.empty()) {
        m_document.SetValue(section, name, text);
    }
}

std::u16string CProfileFile::GetVersion() const {
    return m_document.GetString(kVersionSection, kVersionKey);
}

void CProfileFile::SetVersion(std::u16string_view version) {
    m_document.SetValue(kVersionSection, kVersionKey, version);
}

bool CProfileFile::Save(std::string* pstrWhy) const {
    return m_document.SaveFile(m_strPath, pstrWhy) >= 0;
}

std::optional<std::string> CProfileFile::MoveAsideIfStale(const std::string& strPath,
                                                          std::u16string_view boardVersion) {
    CProfileFile file(strPath);
    if (!file.Load() || !file.IsStale(boardVersion) || IsReadOnlyFile(strPath)) {
        return std::nullopt;
    }
    // The version as a file name may hold: letters, digits, dot, dash.
    std::string strVersion;
    for (const char c : ToUtf8(file.GetVersion())) {
        const bool bPlain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '.' || c == '-';
        strVersion += bPlain ? c : '_';
    }
    const std::string strStem = strPath.substr(0, strPath.rfind(".ini")) + " for " +
                                (strVersion.empty() ? "no board version" : strVersion);
    constexpr int kMostNames = 100;
    for (int nName = 1; nName <= kMostNames; ++nName) {
        const std::string strAside =
            strStem + (nName == 1 ? "" : " (" + std::to_string(nName) + ")") + ".ini";
        // A second name that must not exist yet, then the first is let go:
        // no file of the user's is ever replaced.
        if (::link(strPath.c_str(), strAside.c_str()) == 0) {
            ::unlink(strPath.c_str());
            return strAside;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}
