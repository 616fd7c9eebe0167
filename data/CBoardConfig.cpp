#include "data/CBoardConfig.h"

#include "data/IniPaths.h"

namespace {

std::u16string Lookup(const std::map<std::u16string, std::u16string>& map,
                      const std::u16string& key) {
    auto it = map.find(key);
    return it != map.end() ? it->second : std::u16string();
}

}  // namespace

CBoardConfig::CBoardConfig(std::string_view programDir)
    : m_strBoardFilePath(MakeIniPath(programDir, kBoardConfigFileName)),
      m_strMessageFilePath(TextFilePath(programDir, kMessageFileName)) {}

void CBoardConfig::LoadDocuments() {
    // A missing or unreadable file leaves an empty document: no items, no
    // texts, and nothing of an earlier load.
    m_boardDocument.Clear();
    m_messageDocument.Clear();
    m_boardDocument.LoadFile(m_strBoardFilePath);
    m_messageDocument.LoadFile(m_strMessageFilePath);
    m_strMap.clear();
    m_messageMap.clear();
    FillMap(m_messageDocument, u"str", m_strMap);
    FillMap(m_messageDocument, u"Message", m_messageMap);
}

void CBoardConfig::FillMap(const CIniDocument& document, std::u16string_view section,
                           TextMap& map) {
    for (const std::u16string& key : document.GetAllKeys(section)) {
        map.insert_or_assign(key, document.GetString(section, key));
    }
}

std::u16string CBoardConfig::LookupStr(const std::u16string& key) const {
    return Lookup(m_strMap, key);
}

std::u16string CBoardConfig::LookupMessage(const std::u16string& key) const {
    return Lookup(m_messageMap, key);
}

std::u16string CBoardConfig::GetVersion() const {
    return m_boardDocument.GetString(u"Version", u"Ver");
}
