#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "data/CIniDocument.h"

// The connected board's description: the downloaded board configuration file
// and the poster message file in Tunevo's folder, with the two code-to-text
// maps of the message file.
//
// Loaded once by the link's load thread before anything reads it; after that
// it is only read, from any thread. A reload makes a new object.
class CBoardConfig {
public:
    explicit CBoardConfig(std::string_view programDir);
    CBoardConfig(const CBoardConfig&) = delete;
    CBoardConfig& operator=(const CBoardConfig&) = delete;

    // Loads both documents (a missing file leaves its document empty) and
    // fills the "str" and "Message" maps from the message file.
    void LoadDocuments();
    // The board's description from these bytes instead of its file.
    void UseBoardBytes(std::string bytes) {
        m_boardDocument.Clear();
        m_boardDocument.LoadBytes(std::move(bytes));
    }

    const std::string& GetBoardFilePath() const { return m_strBoardFilePath; }
    const std::string& GetMessageFilePath() const { return m_strMessageFilePath; }
    const CIniDocument& BoardDocument() const { return m_boardDocument; }

    // The text for an upper-case hexadecimal poster code, empty when absent.
    // Keys compare exactly: the file must hold them in upper case.
    std::u16string LookupStr(const std::u16string& key) const;
    std::u16string LookupMessage(const std::u16string& key) const;

    // Key "Ver" of section "Version" of the board document; empty when absent.
    std::u16string GetVersion() const;

private:
    using TextMap = std::map<std::u16string, std::u16string>;
    static void FillMap(const CIniDocument& document, std::u16string_view section, TextMap& map);

    CIniDocument m_boardDocument;
    CIniDocument m_messageDocument;
    const std::string m_strBoardFilePath;
    const std::string m_strMessageFilePath;
    TextMap m_strMap;
    TextMap m_messageMap;
};
