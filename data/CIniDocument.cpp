#include "data/CIniDocument.h"

#include "data/FileStore.h"

#include <algorithm>
#include <string>

#define SI_CONVERT_ICU
// The template bodies are compiled here: the packaged library instantiates only
// the case-sensitive variant, and our names must match regardless of case.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace {
constexpr bool kUtf8StorageOff = false;
constexpr bool kMultiKeyOff = false;
constexpr bool kMultiLineOff = false;
constexpr bool kWriteSignature = true;
}  // namespace

struct CIniDocument::Impl {
    CSimpleIniW ini{kUtf8StorageOff, kMultiKeyOff, kMultiLineOff};
};

CIniDocument::CIniDocument() : m_pImpl(std::make_unique<Impl>()) {}

CIniDocument::~CIniDocument() = default;

void CIniDocument::Clear() {
    m_pImpl->ini.Reset();
}

void CIniDocument::Swap(CIniDocument& other) noexcept {
    std::swap(m_pImpl, other.m_pImpl);
}

void CIniDocument::SetUnicode(bool bUtf8) {
    m_pImpl->ini.SetUnicode(bUtf8);
}

int CIniDocument::LoadFile(const std::string& strPath) {
    // Read here rather than by the library: its wide-path overload copies the
    // path into 256 bytes, and its text conversion ends at the first NUL byte,
    // silently dropping the rest of a damaged file. No text of ours holds NUL.
    std::string strBytes;
    if (!ReadRegularFile(strPath, strBytes)) {
        return SI_FILE;
    }
    return LoadBytes(std::move(strBytes));
}

int CIniDocument::LoadBytes(std::string bytes) {
    std::erase(bytes, '\0');
    return m_pImpl->ini.LoadData(bytes.data(), bytes.size());
}

const char16_t* CIniDocument::GetValue(std::u16string_view section, std::u16string_view key) const {
    const std::u16string sectionText(section);
    const std::u16string keyText(key);
    return m_pImpl->ini.GetValue(sectionText.c_str(), keyText.c_str(), nullptr);
}

std::u16string CIniDocument::GetString(std::u16string_view section, std::u16string_view key) const {
    const char16_t* pszValue = GetValue(section, key);
    return pszValue != nullptr ? std::u16string(pszValue) : std::u16string();
}

std::vector<std::u16string> CIniDocument::GetAllKeys(std::u16string_view section) const {
    const std::u16string sectionText(section);
    CSimpleIniW::TNamesDepend keys;
    m_pImpl->ini.GetAllKeys(sectionText.c_str(), keys);
    keys.sort(CSimpleIniW::Entry::LoadOrder());
    std::vector<std::u16string> names;
    names.reserve(keys.size());
    for (const CSimpleIniW::Entry& entry : keys) {
        names.emplace_back(entry.pItem);
    }
    return names;
}

int CIniDocument::SetValue(std::u16string_view section, std::u16string_view key,
                           std::u16string_view value) {
    const std::u16string sectionText(section);
    const std::u16string keyText(key);
    const std::u16string valueText(value);
    return m_pImpl->ini.SetValue(sectionText.c_str(), keyText.c_str(), valueText.c_str());
}

int CIniDocument::SaveFile(const std::string& strPath, std::string* pstrWhy) const {
    std::string strBytes;
    if (m_pImpl->ini.Save(strBytes, kWriteSignature) < 0) {
        return SI_FAIL;
    }
    return ReplaceFileWhole(strPath, strBytes, pstrWhy) ? SI_OK : SI_FILE;
}
