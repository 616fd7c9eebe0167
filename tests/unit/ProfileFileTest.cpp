// The profile file and the value texts it stores.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "data/CProfileFile.h"
#include "data/ValueText.h"
#include "tests/support/TempDir.h"

namespace {

TEST(ProfileValue, StoresVoltagesWithFiveDecimalsFrequenciesWithOneAndRatiosWithTheirUnit) {
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
}

TEST(ProfileValue, ReadsAStoredTextBackIntoARawValueWithinTheRange) {
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

class ProfileFileTest : public testing::Test {
protected:
    std::string Path() const { return m_dir.Path() + "/saved_profile1.ini"; }
    TempDir m_dir;
};

TEST_F(ProfileFileTest, SavingTheSecondProfileKeepsTheFirstAndReplacesTheVersion) {
    {
        CProfileFile file(Path());
        EXPECT_FALSE(file.Load());
        file.SetValue(1, u"CPU Vcore", u"1.25000");
        file.SetValue(1, u"BCLK", u"133.3");
        file.SetVersion(u"V1");
        ASSERT_TRUE(file.Save());
    }
    {
        CProfileFile file(Path());
        ASSERT_TRUE(file.Load());
        file.SetValue(2, u"CPU Vcore", u"1.30000");
        file.SetVersion(u"V2");
        ASSERT_TRUE(file.Save());
    }
    CProfileFile file(Path());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetValue(1, u"CPU Vcore"), u"1.25000");
    EXPECT_EQ(file.GetValue(1, u"bclk"), u"133.3");
    EXPECT_EQ(file.GetValue(2, u"CPU Vcore"), u"1.30000");
    EXPECT_EQ(file.GetValue(2, u"BCLK"), std::nullopt);
    EXPECT_EQ(file.GetVersion(), u"V2");
    EXPECT_TRUE(file.HasProfile(1));
    EXPECT_TRUE(file.HasProfile(2));
    EXPECT_FALSE(file.HasProfile(3));
    file.SetValue(3, u"CPU Vcore", u"9");
    EXPECT_EQ(file.GetValue(3, u"CPU Vcore"), std::nullopt);
}

TEST_F(ProfileFileTest, AFileForAnotherBoardVersionIsDeletedAtStartUp) {
    auto write = [this](const std::string& strText) {
        m_dir.WriteFile("saved_profile1.ini", strText);
    };
    write("[Profile1]\nA=1\n[Version]\nVer=tvb-z790-1.02\n");
    EXPECT_FALSE(CProfileFile::DeleteIfStale(Path(), u"TVB-Z790-1.02"));
    EXPECT_TRUE(std::filesystem::exists(Path()));
    EXPECT_TRUE(CProfileFile::DeleteIfStale(Path(), u"TVB-Z790-1.03"));
    EXPECT_FALSE(std::filesystem::exists(Path()));
    // Without "Ver" the file is stale; while the board's version is unknown
    // (its description did not download) no file is.
    write("[Profile1]\nA=1\n[Version]\nVer=V0\n");
    EXPECT_FALSE(CProfileFile::DeleteIfStale(Path(), u""));
    write("[Profile1]\nA=1\n");
    EXPECT_FALSE(CProfileFile::DeleteIfStale(Path(), u""));
    EXPECT_TRUE(CProfileFile::DeleteIfStale(Path(), u"V1"));
    // A file that is not there is no error.
    EXPECT_FALSE(CProfileFile::DeleteIfStale(Path(), u"V1"));
}

TEST_F(ProfileFileTest, AGarbageFileHoldsNoProfileAndASaveMakesItReadable) {
    m_dir.WriteFile("saved_profile1.ini", std::string("\x01\xff\xfe garbage\n\xc3==;[\n\0\0", 20));
    CProfileFile file(Path());
    file.Load();
    EXPECT_FALSE(file.HasProfile(1));
    EXPECT_FALSE(file.HasProfile(2));
    EXPECT_EQ(file.GetVersion(), u"");
    file.SetValue(2, u"A", u"1.00000");
    file.SetVersion(u"V1");
    ASSERT_TRUE(file.Save());
    CProfileFile again(Path());
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.GetValue(2, u"A"), u"1.00000");
    EXPECT_EQ(again.GetVersion(), u"V1");
}

TEST_F(ProfileFileTest, AFailedSaveLeavesTheOldFileWholeAndSaysSo) {
    m_dir.WriteFile("saved_profile1.ini", "[Profile1]\nA=1.00000\n");
    // A file where the folder should be: nothing can be written there.
    CProfileFile blocked(Path() + "/inside.ini");
    blocked.SetValue(1, u"A", u"2.00000");
    EXPECT_FALSE(blocked.Save());

    if (::geteuid() != 0) {  // root writes read-only files anyway
        ::chmod(Path().c_str(), 0444);
        CProfileFile file(Path());
        ASSERT_TRUE(file.Load());
        file.SetValue(1, u"A", u"2.00000");
        EXPECT_FALSE(file.Save());
    }
    EXPECT_EQ(m_dir.ReadFile("saved_profile1.ini"), "[Profile1]\nA=1.00000\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
