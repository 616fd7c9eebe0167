// The display settings file: which over-clock items the page shows.

#include <gtest/gtest.h>

#include <filesystem>

#include "data/CDisplaySettingsFile.h"
#include "tests/support/TempDir.h"

namespace {

using DisplayMap = CDisplaySettingsFile::DisplayMap;

class DisplaySettingsFileTest : public testing::Test {
protected:
    std::string Path() const { return m_dir.Path() + "/display_setting.ini"; }
    void Write(const std::string& strText) { m_dir.WriteFile("display_setting.ini", strText); }
    std::string Read() const { return m_dir.ReadFile("display_setting.ini"); }
    DisplayMap Choose() {
        CDisplaySettingsFile file(Path());
        return file.ChooseForOverclock(m_defaults, u"TVB-1.02");
    }

    TempDir m_dir;
    const DisplayMap m_defaults = {{u"CPU Vcore", u"1"}, {u"BCLK", u"1"}, {u"Ring Ratio", u"0"}};
};

TEST_F(DisplaySettingsFileTest, WithoutAFileTheDefaultsAreUsedAndWritten) {
    EXPECT_EQ(Choose(), m_defaults);
    CDisplaySettingsFile file(Path());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.Entries(), m_defaults);
    EXPECT_EQ(file.Version(), u"TVB-1.02");
}

TEST_F(DisplaySettingsFileTest, AnUnknownBoardVersionUsesTheFileAsItIsAndWritesNothing) {
    CDisplaySettingsFile file(Path());
    EXPECT_EQ(file.ChooseForOverclock(m_defaults, u""), m_defaults);
    EXPECT_FALSE(std::filesystem::exists(Path()));
    const std::string strFile = "[Display]\nCPU Vcore=0\n[Version]\nVer=TVB-1.01\n";
    Write(strFile);
    EXPECT_EQ(file.ChooseForOverclock(m_defaults, u""), (DisplayMap{{u"CPU Vcore", u"0"}}));
    EXPECT_EQ(Read(), strFile);
}

TEST_F(DisplaySettingsFileTest, AVersionThatDiffersOnlyInCaseKeepsTheUsersChoiceUntouched) {
    const std::string strFile = "[Display]\nCPU Vcore=0\nBCLK=1\n[Version]\nVer=tvb-1.02\n";
    Write(strFile);
    const DisplayMap chosen = Choose();
    EXPECT_FALSE(CDisplaySettingsFile::IsShown(chosen, u"CPU Vcore"));
    EXPECT_TRUE(CDisplaySettingsFile::IsShown(chosen, u"BCLK"));
    // An item the board added under the same version stays hidden.
    EXPECT_FALSE(CDisplaySettingsFile::IsShown(chosen, u"Ring Ratio"));
    EXPECT_EQ(Read(), strFile);
}

TEST_F(DisplaySettingsFileTest, AFileWithoutVersionGetsTheDefaultsWrittenOverItsEntries) {
    Write("[Display]\nCPU Vcore=0\nOld Item=1\n");
    EXPECT_EQ(Choose(), m_defaults);
    CDisplaySettingsFile file(Path());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.Entries().at(u"CPU Vcore"), u"1");
    EXPECT_EQ(file.Version(), u"TVB-1.02");
    // Entries of items the board no longer has stay in the file.
    EXPECT_EQ(file.Entries().at(u"Old Item"), u"1");
}

// Only "1" shows an item, names compare exactly; a current file without
// entries hides every item but checks every box.
TEST_F(DisplaySettingsFileTest, OnlyTheValueOneShowsAnItemAndNoEntriesCheckEveryBox) {
    Write("[Display]\nA=yes\nB=0\nC=1\nD=\n[Version]\nVer=TVB-1.02\n");
    const DisplayMap chosen = Choose();
    std::u16string shown;
    for (const char16_t* pszName : {u"A", u"B", u"C", u"D", u"c"}) {
        shown += CDisplaySettingsFile::IsShown(chosen, pszName) ? pszName : u"-";
    }
    EXPECT_EQ(shown, u"--C--");
    EXPECT_FALSE(CDisplaySettingsFile::IsChecked(chosen, u"B"));
    EXPECT_FALSE(CDisplaySettingsFile::IsChecked(chosen, u"E"));
    Write("[Version]\nVer=TVB-1.02\n");
    const DisplayMap none = Choose();
    EXPECT_TRUE(none.empty());
    EXPECT_FALSE(CDisplaySettingsFile::IsShown(none, u"CPU Vcore"));
    EXPECT_TRUE(CDisplaySettingsFile::IsChecked(none, u"CPU Vcore"));
}

TEST_F(DisplaySettingsFileTest, AFailedLoadChangesNothingAndAnUnwritableFileStillGivesDefaults) {
    CDisplaySettingsFile file(Path());
    Write("[Display]\nA=1\n[Version]\nVer=V\n");
    ASSERT_TRUE(file.Load());
    std::filesystem::remove(Path());
    EXPECT_FALSE(file.Load());
    EXPECT_EQ(file.Entries().at(u"A"), u"1");
    EXPECT_EQ(file.Version(), u"V");

    CDisplaySettingsFile blocked(Path() + "/below-a-missing-folder.ini");
    EXPECT_EQ(blocked.ChooseForOverclock(m_defaults, u"TVB-1.02"), m_defaults);
    EXPECT_FALSE(blocked.Save());
}

}  // namespace
