#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One INI document as every file of ours is handled: section and key names
// match regardless of the case of A to Z, values are UTF-16 text, a file is
// read in the system's code page unless switched to UTF-8, and nothing we
// write carries a byte-order mark. Each owner holds its own document.
class CIniDocument {
public:
    CIniDocument();
    ~CIniDocument();
    CIniDocument(const CIniDocument&) = delete;
    CIniDocument& operator=(const CIniDocument&) = delete;

    // Forgets every section.
    void Clear();
    // Exchanges the contents of two documents.
    void Swap(CIniDocument& other) noexcept;

    // The next load decodes UTF-8 and skips a leading byte-order mark.
    void SetUnicode(bool bUtf8);

    // Parses the whole file into the document. 0 or more on success; -3 when
    // the file cannot be opened or read, -2 out of memory, -1 undecodable.
    int LoadFile(const std::string& strPath);
    // Parses the bytes as LoadFile parses a file's.
    int LoadBytes(std::string bytes);

    // The value, or nullptr when the section or the key is absent.
    const char16_t* GetValue(std::u16string_view section, std::u16string_view key) const;
    // The value, with an absent one read as the empty text.
    std::u16string GetString(std::u16string_view section, std::u16string_view key) const;
    // The names of a section's keys in file order; empty for an absent section.
    std::vector<std::u16string> GetAllKeys(std::u16string_view section) const;

    // Creates section and key as needed and replaces an existing value.
    int SetValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);

    // Creates or truncates the file and writes the whole document. 0 or more
    // on success, -3 when the file cannot be written.
    int SaveFile(const std::string& strPath, std::string* pstrWhy = nullptr) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
