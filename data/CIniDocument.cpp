#include "data/CIniDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
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
// A new file may be read and written by everyone the umask allows.
mode_t NewFileMode() {
    const mode_t nMask = ::umask(0);
    ::umask(nMask);
    return 0666 & ~nMask;
}
const mode_t kNewFileMode = NewFileMode();
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
    std::ifstream in(strPath, std::ios::binary);
    if (!in) {
        return SI_FILE;
    }
    std::string strBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return SI_FILE;
    }
    std::erase(strBytes, '\0');
    return m_pImpl->ini.LoadData(strBytes.data(), strBytes.size());
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

int CIniDocument::SaveFile(const std::string& strPath) const {
    std::string strBytes;
    if (m_pImpl->ini.Save(strBytes, kWriteSignature) < 0) {
        return SI_FAIL;
    }
    // A file the user made read-only stays as it is.
    struct stat info {};
    const bool bExists = ::stat(strPath.c_str(), &info) == 0;
    if (bExists && ::access(strPath.c_str(), W_OK) != 0) {
        return SI_FILE;
    }
    // Written beside the file and renamed over it: a failed or interrupted
    // save leaves the old file whole instead of half of the new one.
    std::string strTemp = strPath + ".XXXXXX";
    const int nFile = ::mkstemp(strTemp.data());
    if (nFile < 0) {
        return SI_FILE;
    }
    const mode_t nMode = bExists ? (info.st_mode & 07777) : kNewFileMode;
    bool bOk = ::fchmod(nFile, nMode) == 0;
    for (size_t nDone = 0; bOk && nDone < strBytes.size();) {
        const ssize_t nWritten = ::write(nFile, strBytes.data() + nDone, strBytes.size() - nDone);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        bOk = nWritten > 0;
        nDone += bOk ? static_cast<size_t>(nWritten) : 0;
    }
    bOk = ::fsync(nFile) == 0 && bOk;
    bOk = ::close(nFile) == 0 && bOk;
    if (!bOk || ::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        ::unlink(strTemp.c_str());
        return SI_FILE;
    }
    return SI_OK;
}
