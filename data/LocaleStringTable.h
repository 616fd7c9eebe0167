#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// The display texts of one language, from "BT_LocaleStr.ini" beside the
// program, keyed by STR_... names (exact case). Filled once at start-up on
// the start-up thread; read-only afterwards, so readers need no lock.
class LocaleStringTable {
public:
    // The process-wide table, empty until loaded.
    static LocaleStringTable& Instance();

    // Loads the language of the system locale from the program directory.
    void Load();
    // Loads the language of a locale id from a directory. Every text the
    // file lacks (it is missing, unreadable, or damaged) is the built-in
    // English one, and Problem() says so.
    void Load(std::string_view programDir, uint32_t nLcid);
    // What was wrong with the texts file at the last load; empty when nothing.
    const std::string& Problem() const { return m_strProblem; }

    // The text of a key; the empty text for a key the table does not hold.
    std::u16string GetString(std::u16string_view key) const;

    // The section that holds a locale id's language.
    static std::u16string_view SectionForLcid(uint32_t nLcid);

private:
    std::map<std::u16string, std::u16string, std::less<>> m_texts;
    std::string m_strProblem;
};
