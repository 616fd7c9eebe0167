#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/CIniDocument.h"
#include "data/FileStore.h"

// The two saved profiles in "saved_profile1.ini" beside the program: one
// section per profile ("Profile1", "Profile2") with one value text per
// over-clock item, keyed by the item's Name, and the board configuration's
// version they were saved for. Each owner (save screen, load screen) holds
// its own object; a save writes back everything the file held.
class CProfileFile {
public:
    static constexpr int kFirstProfile = 1;
    static constexpr int kLastProfile = 2;

    // The file in Tunevo's folder (g_szProgramDir).
    CProfileFile();
    explicit CProfileFile(std::string strPath);

    const std::string& Path() const { return m_strPath; }

    // Reads the file. False when it is missing or unreadable; the object then
    // holds nothing, and a save writes only what is set afterwards.
    bool Load();
    // Load, but a file saved for another board configuration version counts
    // as none: it is forgotten, so that a save cannot mark its old values as
    // this board's. The same rule as MoveAsideIfStale.
    bool LoadForBoard(std::u16string_view boardVersion);

    // "Profile1" or "Profile2"; empty for any other number.
    static std::u16string SectionName(int nProfile);
    // Whether the profile holds any value at all.
    bool HasProfile(int nProfile) const;
    // The stored text of an item, nothing when the profile has none.
    std::optional<std::u16string> GetValue(int nProfile, std::u16string_view name) const;
    // Sets one item's text; a profile number other than 1 or 2 is ignored.
    void SetValue(int nProfile, std::u16string_view name, std::u16string_view text);
    // The "Ver" the file was saved for; empty when absent.
    std::u16string GetVersion() const;
    void SetVersion(std::u16string_view version);

    // Writes the whole document; the old file stays whole when that fails
    // (read-only file, full disk), and pstrWhy says why. True when written.
    bool Save(std::string* pstrWhy = nullptr) const;

    // Whether the last LoadForBoard met a file of another board version that
    // the user made read-only: it is kept, and holds no profile for this board.
    bool IsStaleAndReadOnly() const { return m_bStale && IsReadOnlyFile(m_strPath); }

    // A file saved for another board configuration version (compared
    // regardless of case; an absent "Ver" reads as empty) is moved aside, to
    // "saved_profile1 for VERSION.ini" beside it (a number added when that is
    // taken), so that this board starts without profiles and the other
    // board's stay. A file that does not load is left alone, and so is a
    // read-only file and every file while the board version is empty
    // (unknown). The new path when the file was moved.
    static std::optional<std::string> MoveAsideIfStale(const std::string& strPath,
                                                       std::u16string_view boardVersion);

private:
    bool IsStale(std::u16string_view boardVersion) const;

    std::string m_strPath;
    CIniDocument m_document;
    bool m_bStale = false;
};
