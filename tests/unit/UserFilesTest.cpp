// The files the user keeps: how they are replaced, the profiles and the display settings.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "data/CDisplaySettingsFile.h"
#include "data/CIniDocument.h"
#include "data/CProfileFile.h"
#include "data/FileStore.h"
#include "data/Utf.h"
#include "data/ValueText.h"
#include "link/ProfileValues.h"
#include "tests/support/TempDir.h"

namespace {

class FileStoreTest : public testing::Test {
protected:
    std::string Path(const std::string& strName) const { return m_dir.Path() + "/" + strName; }
    struct stat Stat(const std::string& strName) const {
        struct stat info {};
        EXPECT_EQ(::lstat(Path(strName).c_str(), &info), 0);
        return info;
    }

    TempDir m_dir;
};

TEST_F(FileStoreTest, AFileIsRefusedUnlessRegularAndAReplacedOneKeepsItsModeOwnerAndGroup) {
    std::filesystem::create_directory(Path("dir.ini"));
    ASSERT_EQ(::mkfifo(Path("pipe.ini").c_str(), 0600), 0);
    for (const char* pszName : {"dir.ini", "pipe.ini", "missing.ini"}) {
        std::string bytes = "left";
        // A pipe nobody writes to would block a plain open for good.
        EXPECT_FALSE(ReadRegularFile(Path(pszName), bytes)) << pszName;
        CIniDocument document;
        EXPECT_LT(document.LoadFile(Path(pszName)), 0) << pszName;
    }
    EXPECT_FALSE(ReplaceFileWhole(Path("dir.ini"), "x"));
    EXPECT_FALSE(ReplaceFileWhole(Path("pipe.ini"), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(Path("dir.ini")));
    m_dir.WriteFile("profile.ini", "old");
    ASSERT_EQ(::chmod(Path("profile.ini").c_str(), 0640), 0);
    const bool bRoot = ::geteuid() == 0;
    // As root (a save through sudo), the user's file must stay the user's.
    const uid_t nOwner = bRoot ? 4321 : ::geteuid();
    const gid_t nGroup = bRoot ? 4321 : ::getegid();
    ASSERT_EQ(::chown(Path("profile.ini").c_str(), nOwner, nGroup), 0);
    ASSERT_TRUE(ReplaceFileWhole(Path("profile.ini"), "new"));
    EXPECT_EQ(m_dir.ReadFile("profile.ini"), "new");
    const struct stat info = Stat("profile.ini");
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_uid, nOwner);
    EXPECT_EQ(info.st_gid, nGroup);

    ASSERT_EQ(::chmod(Path("profile.ini").c_str(), 0444), 0);
    EXPECT_FALSE(ReplaceFileWhole(Path("profile.ini"), "newer"));
    EXPECT_EQ(m_dir.ReadFile("profile.ini"), "new");
    // Nothing is left behind beside it and the directory and the pipe.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), {}), 3);
}

// A link the user keeps stays a link: the file it names is replaced beside
// itself, a link to nothing is refused, and a read-only target is kept.
TEST_F(FileStoreTest, ALinkStaysALinkAndItsTargetIsReplacedWhole) {
    std::filesystem::create_directory(Path("kept"));
    m_dir.WriteFile("kept/settings.ini", "old");
    ASSERT_EQ(::symlink("kept/settings.ini", Path("settings.ini").c_str()), 0);
    ASSERT_TRUE(ReplaceFileWhole(Path("settings.ini"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("settings.ini")));
    EXPECT_EQ(m_dir.ReadFile("kept/settings.ini"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("kept")), {}), 1);

    ASSERT_EQ(::symlink("kept/missing.ini", Path("dangling.ini").c_str()), 0);
    EXPECT_FALSE(ReplaceFileWhole(Path("dangling.ini"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("dangling.ini")));
    EXPECT_FALSE(std::filesystem::exists(Path("kept/missing.ini")));

    // Each refusal says why, in the file's own terms.
    std::string strWhy;
    ASSERT_EQ(::chmod(Path("kept/settings.ini").c_str(), 0444), 0);
    EXPECT_FALSE(ReplaceFileWhole(Path("settings.ini"), "newer", &strWhy));
    EXPECT_EQ(strWhy, "it is read-only");
    ASSERT_EQ(::chmod(Path("kept/settings.ini").c_str(), 0), 0);
    EXPECT_FALSE(ReplaceFileWhole(Path("settings.ini"), "newer", &strWhy));
    EXPECT_EQ(strWhy, "it is shut (neither readable nor writable)");
    ASSERT_EQ(::chmod(Path("kept/settings.ini").c_str(), 0644), 0);
    EXPECT_EQ(m_dir.ReadFile("kept/settings.ini"), "new");
}

TEST_F(FileStoreTest, AFolderThatTakesNoNewFileStillLetsAWritableFileBeRewritten) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root creates files in any folder";
    }
    m_dir.WriteFile("settings.ini", "old");
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0555), 0);
    EXPECT_TRUE(ReplaceFileWhole(Path("settings.ini"), "new"));
    EXPECT_FALSE(ReplaceFileWhole(Path("absent.ini"), "new"));
    ::chmod(m_dir.Path().c_str(), 0755);
    EXPECT_EQ(m_dir.ReadFile("settings.ini"), "new");
}

TEST(ProfileValue, StoresValuesInTheirUnitsFormatAndReadsThemBackWithinTheRange) {
    EXPECT_EQ(FormatProfileValue(EProfileKind::Voltage, 1, 1250, 1000), u"1.25000");
    EXPECT_EQ(FormatProfileValue(EProfileKind::Frequency, 1, 1333, 10), u"133.3");
    EXPECT_EQ(FormatProfileValue(EProfileKind::Ratio, 1, 12, 1), u"12[X]");
    EXPECT_EQ(FormatProfileValue(EProfileKind::Frequency, 3, 1000, 4), u"750.0");
    // A divisor of 0 counts as 1 rather than storing "inf".
    EXPECT_EQ(FormatProfileValue(EProfileKind::Voltage, 1, 5, 0), u"5.00000");
    EXPECT_EQ(ProfileDisplayText(EProfileKind::Voltage, u"1.25000"), u"1.25000[V]");
    EXPECT_EQ(ProfileDisplayText(EProfileKind::Frequency, u"133.3"), u"133.3[MHz]");
    EXPECT_EQ(ProfileDisplayText(EProfileKind::Ratio, u"12[X]"), u"12[X]");
    EXPECT_EQ(ProfileDisplayText(EProfileKind::Voltage, u""), u"");
    EXPECT_EQ(ShownTextToRaw(u"133.3", u"1", u"10", 1000, 1400), u"1333");
    EXPECT_EQ(ShownTextToRaw(u"133.3[MHz]", u"1", u"10", 1000, 1400), u"1333");
    EXPECT_EQ(ShownTextToRaw(u"1.25000", u"1", u"1000", 800, 1600), u"1250");
    EXPECT_EQ(ShownTextToRaw(u"12[X]", u"1", u"1", 8, 60), u"12");
    EXPECT_EQ(ShownTextToRaw(u"  +1.2496", u"1", u"1000", 800, 1600), u"1250");
    // Out of range: limited to the maximum, then to the minimum.
    EXPECT_EQ(ShownTextToRaw(u"2.0", u"1", u"1000", 800, 1600), u"1600");
    EXPECT_EQ(ShownTextToRaw(u"-1", u"1", u"1000", 800, 1600), u"800");
    EXPECT_EQ(ShownTextToRaw(u"1e999", u"1", u"1000", 800, 1600), u"1600");
    // No number at all loads as 0 and is raised to the minimum.
    for (const char16_t* pszText : {u"", u"abc", u"nan", u"[V]1.2"}) {
        EXPECT_EQ(ShownTextToRaw(pszText, u"1", u"1000", 800, 1600), u"800");
    }
    // A comma is no decimal point, whatever the locale.
    EXPECT_EQ(ShownTextToRaw(u"1,3", u"1", u"1000", 800, 1600), u"1000");
    // A multiplier of 0 counts as 1; Div and Mul may carry fractions.
    EXPECT_EQ(ShownTextToRaw(u"12", u"0", u"1", 0, 60), u"12");
    EXPECT_EQ(ShownTextToRaw(u"5", u"0.5", u"1", 0, 60), u"10");
}

// A profile's text loads only when it starts with a number, and only into an
// item whose range is known; anything else leaves the item as it is.
TEST(ProfileValue, OnlyANumberLoadsAndOnlyAKnownValueIsStored) {
    BoardItem vcore;
    ASSERT_TRUE(ParseItem(u"CPU Vcore,2,0,800,1600,1250,1,1000,0,0,65,97,1250,1", vcore));
    const std::pair<const char16_t*, std::optional<std::u16string>> kCases[] = {
        {u"1.3", u"1300"},        {u" -.5", u"800"},      {u"+2", u"1600"},
        {u"1.30000[V]", u"1300"}, {u"", std::nullopt},    {u"abc", std::nullopt},
        {u"nan", std::nullopt},   {u"inf", std::nullopt}, {u".", std::nullopt},
        {u"-", std::nullopt}};
    for (const auto& [pszStored, raw] : kCases) {
        EXPECT_EQ(ProfileRawValue(vcore, pszStored), raw) << ToUtf8(pszStored);
    }
    EXPECT_EQ(ProfileTextOf(EBoardArray::OverVolt, vcore), std::nullopt) << "never read";
    vcore.bValueRead = true;
    EXPECT_EQ(ProfileTextOf(EBoardArray::OverVolt, vcore), u"1.25000");
    vcore.Min.clear();
    EXPECT_EQ(ProfileRawValue(vcore, u"1.3"), std::nullopt) << "range unknown";
}

class ProfileFileTest : public testing::Test {
protected:
    std::string Path() const { return m_dir.Path() + "/saved_profile1.ini"; }
    TempDir m_dir;
};

// The screens and tunevoctl save one profile beside the other; here the
// file's own rules: names in any case, only profiles 1 and 2, one version.
TEST_F(ProfileFileTest, NamesMatchInAnyCaseAndOnlyTheTwoProfilesExist) {
    CProfileFile file(Path());
    EXPECT_FALSE(file.Load());
    file.SetValue(1, u"BCLK", u"133.3");
    file.SetValue(3, u"CPU Vcore", u"9");
    file.SetVersion(u"V2");
    ASSERT_TRUE(file.Save());
    CProfileFile stored(Path());
    ASSERT_TRUE(stored.Load());
    EXPECT_EQ(stored.GetValue(1, u"bclk"), u"133.3");
    EXPECT_EQ(stored.GetValue(3, u"CPU Vcore"), std::nullopt);
    EXPECT_TRUE(stored.HasProfile(1) && !stored.HasProfile(2) && !stored.HasProfile(3));
    EXPECT_EQ(stored.GetVersion(), u"V2");
}

// Another board's profiles are moved aside under a name that says its
// version, never deleted nor overwritten.
TEST_F(ProfileFileTest, AFileForAnotherBoardVersionIsMovedAsideUnderItsVersion) {
    auto write = [this](const std::string& strText) {
        m_dir.WriteFile("saved_profile1.ini", strText);
    };
    const std::string strOther = "[Profile1]\nA=1\n[Version]\nVer=tvb/z790 1.02\n";
    write(strOther);
    EXPECT_EQ(CProfileFile::MoveAsideIfStale(Path(), u"TVB/Z790 1.02"), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(Path()));
    const std::string strAside = m_dir.Path() + "/saved_profile1 for tvb_z790_1.02.ini";
    EXPECT_EQ(CProfileFile::MoveAsideIfStale(Path(), u"TVB-Z790-1.03"), strAside);
    EXPECT_FALSE(std::filesystem::exists(Path()));
    EXPECT_EQ(m_dir.ReadFile("saved_profile1 for tvb_z790_1.02.ini"), strOther);
    // The same board's profiles again: the first stays, the second takes a number.
    write(strOther + "B=2\n");
    EXPECT_EQ(CProfileFile::MoveAsideIfStale(Path(), u"V1"),
              m_dir.Path() + "/saved_profile1 for tvb_z790_1.02 (2).ini");
    EXPECT_EQ(m_dir.ReadFile("saved_profile1 for tvb_z790_1.02.ini"), strOther);
    // Without "Ver" the file is stale; while the board's version is unknown
    // (its description did not download) no file is.
    write("[Profile1]\nA=1\n[Version]\nVer=V0\n");
    EXPECT_EQ(CProfileFile::MoveAsideIfStale(Path(), u""), std::nullopt);
    write("[Profile1]\nA=1\n");
    EXPECT_EQ(CProfileFile::MoveAsideIfStale(Path(), u""), std::nullopt);
    EXPECT_EQ(CProfileFile::MoveAsideIfStale(Path(), u"V1"),
              m_dir.Path() + "/saved_profile1 for no board version.ini");
    // A file that is not there is no error.
    EXPECT_EQ(CProfileFile::MoveAsideIfStale(Path(), u"V1"), std::nullopt);
    // A read-only file is kept where it is, and holds no profile for this board.
    write("[Profile1]\nA=1\n[Version]\nVer=V0\n");
    ASSERT_EQ(::chmod(Path().c_str(), 0444), 0);
    EXPECT_EQ(CProfileFile::MoveAsideIfStale(Path(), u"V1"), std::nullopt);
    CProfileFile kept(Path());
    EXPECT_FALSE(kept.LoadForBoard(u"V1"));
    EXPECT_FALSE(kept.HasProfile(1));
    EXPECT_TRUE(kept.IsStaleAndReadOnly());
    EXPECT_TRUE(std::filesystem::exists(Path()));
}

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

// The defaults stand in for a file of another version or of none; the
// user's own choice is used while it is this board's, and while the board's
// version is unknown. Choosing writes nothing: only a save changes the file.
TEST_F(DisplaySettingsFileTest, TheBoardVersionDecidesWhetherTheDefaultsAreShown) {
    const std::string strOwn = "[Display]\nCPU Vcore=0\nBCLK=1\n[Version]\nVer=tvb-1.02\n";
    const DisplayMap own = {{u"CPU Vcore", u"0"}, {u"BCLK", u"1"}};
    const struct {
        std::string strFile;  // empty: no file
        const char16_t* pszBoard;
        DisplayMap chosen;
        bool bWritten;
    } cases[] = {
        {"", u"", m_defaults, false},
        {strOwn, u"", own, false},
        {strOwn, u"TVB-1.02", own, false},
        {"", u"TVB-1.02", m_defaults, false},
        {"[Display]\nCPU Vcore=0\n[Version]\nVer=TVB-1.01\n", u"TVB-1.02", m_defaults, false},
        {"[Display]\nCPU Vcore=0\nOld Item=1\n", u"TVB-1.02", m_defaults, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strFile);
        std::filesystem::remove(Path());
        if (!c.strFile.empty()) {
            Write(c.strFile);
        }
        EXPECT_EQ(CDisplaySettingsFile(Path()).ChooseForOverclock(m_defaults, c.pszBoard),
                  c.chosen);
        EXPECT_EQ(std::filesystem::exists(Path()), !c.strFile.empty());
        if (!c.strFile.empty()) {
            EXPECT_EQ(Read(), c.strFile);
        }
    }
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
