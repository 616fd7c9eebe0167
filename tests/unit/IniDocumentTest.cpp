#include <gtest/gtest.h>

#include "data/CIniDocument.h"
#include "data/IniPaths.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(IniPath, JoinsTheFolderAndTheFileName) {
    EXPECT_EQ(MakeIniPath("/opt/tunevo", kLocaleFileName), "/opt/tunevo/BT_LocaleStr.ini");
    // A program in the root folder reads its files from the root folder.
    EXPECT_EQ(MakeIniPath("", kLocaleFileName), "/BT_LocaleStr.ini");
}

TEST(IniDocument, SectionAndKeyNamesMatchWhateverTheCaseOfAToZ) {
    TempDir dir;
    CIniDocument ini;
    ASSERT_GE(ini.LoadFile(dir.WriteFile("a.ini", "[DISPLAY]\nver=12\n")), 0);
    ASSERT_NE(ini.GetValue(u"Display", u"Ver"), nullptr);
    EXPECT_EQ(ini.GetString(u"display", u"VER"), u"12");
}

TEST(IniDocument, AnAbsentSectionOrKeyIsNullAndReadsAsEmpty) {
    TempDir dir;
    CIniDocument ini;
    ASSERT_GE(ini.LoadFile(dir.WriteFile("a.ini", "[S]\nk=\n")), 0);
    EXPECT_EQ(ini.GetValue(u"S", u"missing"), nullptr);
    EXPECT_EQ(ini.GetValue(u"Missing", u"k"), nullptr);
    EXPECT_EQ(ini.GetString(u"Missing", u"k"), u"");
    ASSERT_NE(ini.GetValue(u"S", u"k"), nullptr);
    EXPECT_EQ(ini.GetString(u"S", u"k"), u"");
    EXPECT_TRUE(ini.GetAllKeys(u"Missing").empty());
}

TEST(IniDocument, ListsKeysInFileOrder) {
    TempDir dir;
    CIniDocument ini;
    ASSERT_GE(ini.LoadFile(dir.WriteFile("a.ini", "[S]\nzeta=1\nalpha=2\nMid=3\n")), 0);
    EXPECT_EQ(ini.GetAllKeys(u"s"), (std::vector<std::u16string>{u"zeta", u"alpha", u"Mid"}));
}

TEST(IniDocument, AByteOrderMarkNeverBecomesPartOfTheFirstSectionName) {
    TempDir dir;
    for (const std::string& strPrefix : {kBom, std::string()}) {
        CIniDocument ini;
        ini.SetUnicode(true);
        ASSERT_GE(ini.LoadFile(dir.WriteFile("u.ini", strPrefix + "[English]\nSTR_X=Hi\n")), 0);
        EXPECT_EQ(ini.GetString(u"English", u"STR_X"), u"Hi") << strPrefix.size();
    }
}

TEST(IniDocument, SavesWithoutAByteOrderMark) {
    TempDir dir;
    CIniDocument ini;
    ini.SetValue(u"Display", u"Ver", u"V1.0");
    ini.SetValue(u"Display", u"Ver", u"V1.2");  // replaces, does not add
    const std::string strPath = dir.Path() + "/display_setting.ini";
    ASSERT_GE(ini.SaveFile(strPath), 0);
    const std::string strSaved = dir.ReadFile("display_setting.ini");
    ASSERT_FALSE(strSaved.empty());
    EXPECT_EQ(strSaved[0], '[');
    EXPECT_NE(strSaved.find("Ver"), std::string::npos);
    EXPECT_EQ(strSaved.find("V1.0"), std::string::npos);

    CIniDocument reread;
    ASSERT_GE(reread.LoadFile(strPath), 0);
    EXPECT_EQ(reread.GetString(u"DISPLAY", u"ver"), u"V1.2");
}

TEST(IniDocument, AMissingOrUnwritableFileGivesANegativeResult) {
    TempDir dir;
    CIniDocument ini;
    EXPECT_LT(ini.LoadFile(dir.Path() + "/absent.ini"), 0);
    EXPECT_LT(ini.SaveFile(dir.Path() + "/no/such/folder/x.ini"), 0);
}

TEST(IniDocument, PathsLongerThan256CharactersWork) {
    TempDir dir;
    const std::string strName =
        std::string(120, 'a') + "/" + std::string(120, 'b') + "/" + std::string(60, 'c') + ".ini";
    const std::string strPath = dir.WriteFile(strName, "[S]\nk=v\n");
    ASSERT_GT(strPath.size(), 256u);
    CIniDocument ini;
    ASSERT_GE(ini.LoadFile(strPath), 0);
    EXPECT_EQ(ini.GetString(u"S", u"k"), u"v");
    ini.SetValue(u"S", u"k", u"w");
    ASSERT_GE(ini.SaveFile(strPath), 0);
    EXPECT_EQ(dir.ReadFile(strName).find("k = w") != std::string::npos ||
                  dir.ReadFile(strName).find("k=w") != std::string::npos,
              true);
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
