#include <gtest/gtest.h>

#include "data/CIniDocument.h"
#include "data/IniPaths.h"
#include "tests/support/TempDir.h"

namespace {

TEST(IniPath, JoinsTheFolderAndTheFileName) {
    EXPECT_EQ(MakeIniPath("/opt/tunevo", kLocaleFileName), "/opt/tunevo/BT_LocaleStr.ini");
    // A program in the root folder reads its files from the root folder.
    EXPECT_EQ(MakeIniPath("", kLocaleFileName), "/BT_LocaleStr.ini");
}

TEST(IniDocument, NamesMatchWhateverTheCaseAndAbsentOnesAreNullAndReadEmpty) {
    TempDir dir;
    CIniDocument ini;
    ASSERT_GE(ini.LoadFile(dir.WriteFile("a.ini", "[DISPLAY]\nver=12\nzeta=1\nalpha=\n")), 0);
    EXPECT_EQ(ini.GetString(u"display", u"VER"), u"12");
    EXPECT_EQ(ini.GetAllKeys(u"Display"), (std::vector<std::u16string>{u"ver", u"zeta", u"alpha"}));
    ASSERT_NE(ini.GetValue(u"Display", u"alpha"), nullptr);
    EXPECT_EQ(ini.GetValue(u"Display", u"missing"), nullptr);
    EXPECT_EQ(ini.GetValue(u"Missing", u"ver"), nullptr);
    EXPECT_EQ(ini.GetString(u"Missing", u"ver"), u"");
    EXPECT_TRUE(ini.GetAllKeys(u"Missing").empty());
    EXPECT_LT(ini.LoadFile(dir.Path() + "/absent.ini"), 0);
}

TEST(IniDocument, AByteOrderMarkIsSkippedOnReadAndNeverWritten) {
    TempDir dir;
    for (const std::string& strPrefix : {std::string("\xEF\xBB\xBF"), std::string()}) {
        CIniDocument ini;
        ini.SetUnicode(true);
        ASSERT_GE(ini.LoadFile(dir.WriteFile("u.ini", strPrefix + "[English]\nSTR_X=Hi\n")), 0);
        EXPECT_EQ(ini.GetString(u"English", u"STR_X"), u"Hi") << strPrefix.size();
    }
    CIniDocument ini;
    ini.SetValue(u"Display", u"Ver", u"V1.0");
    ini.SetValue(u"Display", u"Ver", u"V1.2");  // replaces, does not add
    // Paths past 256 characters work.
    const std::string strName = std::string(120, 'a') + "/" + std::string(140, 'b') + ".ini";
    const std::string strPath = dir.WriteFile(strName, "");
    ASSERT_GE(ini.SaveFile(strPath), 0);
    EXPECT_EQ(dir.ReadFile(strName).rfind("[Display]", 0), 0u);
    EXPECT_EQ(dir.ReadFile(strName).find("V1.0"), std::string::npos);
    CIniDocument reread;
    ASSERT_GE(reread.LoadFile(strPath), 0);
    EXPECT_EQ(reread.GetString(u"DISPLAY", u"ver"), u"V1.2");
    EXPECT_LT(ini.SaveFile(dir.Path() + "/no/such/folder/x.ini"), 0);
}

TEST(IniDocument, BinaryGarbageLoadsWithoutHarm) {
    TempDir dir;
    std::string strGarbage;
    for (int i = 0; i < 4096; ++i) {
        strGarbage.push_back(static_cast<char>((i * 7919 + 13) & 0xFF));
    }
    strGarbage += std::string("\0[S]\nk=v\n", 9);
    const std::string strPath = dir.WriteFile("g.ini", strGarbage);
    for (bool bUtf8 : {true, false}) {
        CIniDocument ini;
        ini.SetUnicode(bUtf8);
        ini.LoadFile(strPath);
        // Whatever was parsed, every lookup answers.
        for (const std::u16string& key : ini.GetAllKeys(u"S")) {
            (void)ini.GetString(u"S", key);
        }
        EXPECT_EQ(ini.GetValue(u"NoSuchSection", u"k"), nullptr);
    }
}

}  // namespace
