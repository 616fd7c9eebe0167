#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "data/CIniDocument.h"

// Which over-clock items the over-clock page shows, in "display_setting.ini"
// in Tunevo's folder: section "Display" maps each item's Name to "1"
// (shown) or anything else (hidden), and "Version"/"Ver" names the board
// configuration version the choice was made for. Each owner holds its own
// object; a save writes back every entry the file held, including those of
// items the board no longer has.
class CDisplaySettingsFile {
public:
    // Name to value text; names compare exactly.
    using DisplayMap = std::map<std::u16string, std::u16string>;

    // The file in Tunevo's folder (g_szProgramDir).
    CDisplaySettingsFile();
    explicit CDisplaySettingsFile(std::string strPath);

    const std::string& Path() const { return m_strPath; }

    // Reads the file. False when it is missing or unreadable; then nothing
    // that was loaded before changes.
    bool Load();
    // The "Display" entries and the version of the last successful load.
    const DisplayMap& Entries() const { return m_entries; }
    const std::u16string& Version() const { return m_version; }
    bool HasVersion() const { return m_bHasVersion; }

    // Sets entries (and the version) in the document; Save writes them.
    void SetEntry(std::u16string_view name, std::u16string_view value);
    void SetVersion(std::u16string_view version);
    // True when the whole file was written; otherwise the old file stays whole.
    bool Save() const;

    // The map the over-clock page lays its items out with: the file's
    // entries when it was written for this board version (regardless of
    // case); otherwise the defaults. Nothing is written: the file changes
    // only when the user saves a choice.
    DisplayMap ChooseForOverclock(const DisplayMap& defaults, std::u16string_view boardVersion);

    // Shown exactly when the map holds "1" for the name.
    static bool IsShown(const DisplayMap& map, const std::u16string& name);
    // The check mark of the display setting screen: every item while the
    // file has no entries, else exactly the shown ones.
    static bool IsChecked(const DisplayMap& map, const std::u16string& name);

private:
    std::string m_strPath;
    CIniDocument m_document;
    DisplayMap m_entries;
    std::u16string m_version;
    bool m_bHasVersion = false;
};
