// The ini documents: the reader, the locale texts and the board's message file.

#include <gtest/gtest.h>

#include "data/CBoardConfig.h"
#include "data/CIniDocument.h"
#include "data/IniPaths.h"
#include "data/LocaleStringTable.h"
#include "platform/LocaleId.h"
#include "tests/support/TempDir.h"

namespace {

TEST(IniDocument, NamesMatchWhateverTheCaseAndAByteOrderMarkIsNeverWritten) {
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
    // A byte order mark is skipped on reading, and never written.
    for (const std::string& strPrefix : {std::string("\xEF\xBB\xBF"), std::string()}) {
        CIniDocument utf8;
        utf8.SetUnicode(true);
        ASSERT_GE(utf8.LoadFile(dir.WriteFile("u.ini", strPrefix + "[English]\nSTR_X=Hi\n")), 0);
        EXPECT_EQ(utf8.GetString(u"English", u"STR_X"), u"Hi") << strPrefix.size();
    }
    ini.SetValue(u"Display", u"Ver", u"V1.0");
    ini.SetValue(u"Display", u"Ver", u"V1.2");  // replaces, does not add
    // Paths past 256 characters work.
    const std::string strName = std::string(120, 'a') + "/" + std::string(140, 'b') + ".ini";
    const std::string strPath = dir.WriteFile(strName, "");
    ASSERT_GE(ini.SaveFile(strPath), 0);
    EXPECT_EQ(dir.ReadFile(strName).front(), '[') << "no byte order mark";
    EXPECT_EQ(dir.ReadFile(strName).find("V1.0"), std::string::npos);
    ASSERT_GE(ini.LoadFile(strPath), 0);
    EXPECT_EQ(ini.GetString(u"DISPLAY", u"ver"), u"V1.2");
    EXPECT_LT(ini.SaveFile(dir.Path() + "/no/such/folder/x.ini"), 0);
}

const std::string kThreeLanguages =
    "[English]\nSTR_APPLY=Apply\nSTR_CONN_NA=Board not reachable\n"
    "[Chinese]\nSTR_APPLY=\xE5\xBA\x94\xE7\x94\xA8\n"
    "[Traditional]\nSTR_APPLY=\xE5\xA5\x97\xE7\x94\xA8\n";

class LocaleStringTableTest : public testing::Test {
protected:
    LocaleStringTable& Load(const std::string& strContent, uint32_t nLcid) {
        m_dir.WriteFile("BT_LocaleStr.ini", strContent);
        m_table.Load(m_dir.Path(), nLcid);
        return m_table;
    }
    TempDir m_dir;
    LocaleStringTable m_table;
};

// The section of the locale id alone, keys in their exact case, and a new
// load replaces the old texts.
TEST_F(LocaleStringTableTest, ChoosesTheSectionOfTheLocaleIdAndNothingElse) {
    const std::pair<uint32_t, std::u16string> languages[] = {
        {kLcidTraditionalChinese, u"\u5957\u7528"},
        {kLcidSimplifiedChinese, u"\u5E94\u7528"},
        {kLcidEnglishUs, u"Apply"},
        {kLcidHongKongChinese, u"Apply"}};
    for (const auto& [nLcid, text] : languages) {
        EXPECT_EQ(Load(kThreeLanguages, nLcid).GetString(u"STR_APPLY"), text) << nLcid;
    }
    EXPECT_EQ(m_table.GetString(u"STR_NO_SUCH_KEY"), u"");
    // What the file lacks, the built-in English gives, and the problem is said;
    // the file's other sections and keys of another case stand in for nothing.
    Load("[English]\nstr_apply=Applied\n", kLcidSimplifiedChinese);
    EXPECT_EQ(m_table.GetString(u"STR_APPLY"), u"Apply");
    EXPECT_NE(m_table.Problem().find("texts of [Chinese]; the built-in English"),
              std::string::npos);
    Load("[English]\nstr_apply=Applied\n", kLcidEnglishUs);
    EXPECT_EQ(m_table.GetString(u"STR_APPLY"), u"Apply");
    EXPECT_EQ(m_table.GetString(u"str_apply"), u"Applied");
    TempDir empty;
    m_table.Load(empty.Path(), kLcidEnglishUs);
    EXPECT_EQ(m_table.GetString(u"str_apply"), u"");
    EXPECT_EQ(m_table.GetString(u"STR_APPLY"), u"Apply");
    EXPECT_NE(m_table.Problem().find("cannot be read"), std::string::npos);
    // An installed copy reads its texts from share/tunevo when its own folder has none.
    g_szTextsDir = m_dir.Path();
    m_table.Load(empty.Path(), kLcidEnglishUs);
    g_szTextsDir.clear();
    EXPECT_EQ(m_table.GetString(u"str_apply"), u"Applied");
    Load(std::string("\xFF\xFE\x00\x01garbage\n", 12) + kThreeLanguages, kLcidEnglishUs);
    EXPECT_EQ(m_table.GetString(u"STR_CONN_NA"), u"Board not reachable");
    EXPECT_EQ(m_table.GetString(u"STR_APPLY"), u"Apply");
}

TEST(BoardConfig, LooksUpPosterTextsByTheExactUpperCaseKeyAndTheVersionByVer) {
    TempDir dir;
    CBoardConfig config(dir.Path());
    EXPECT_EQ(config.GetBoardFilePath(), dir.Path() + "/BiosConf_Kolt_V120.ini");
    // A program in the root folder reads its files from the root folder.
    EXPECT_EQ(MakeIniPath("", kLocaleFileName), "/BT_LocaleStr.ini");
    config.LoadDocuments();
    EXPECT_EQ(config.GetVersion(), u"") << "missing files give nothing";
    EXPECT_EQ(config.LookupStr(u"0A"), u"");
    dir.WriteFile("dbcd-V03.ini", "[str]\n0A=short A\n3b=lower\n[Message]\n0A=long A\n1F0=three\n");
    dir.WriteFile("BiosConf_Kolt_V120.ini", "[Version]\nVer=B-1.0\n");
    config.LoadDocuments();
    EXPECT_EQ(config.LookupStr(u"0A"), u"short A");
    EXPECT_EQ(config.LookupMessage(u"0A"), u"long A");
    EXPECT_EQ(config.LookupMessage(u"1F0"), u"three");
    EXPECT_EQ(config.LookupStr(u"3B"), u"");  // the file wrote it in lower case
    EXPECT_EQ(config.LookupStr(u"1F0"), u"");
    EXPECT_EQ(config.GetVersion(), u"B-1.0");
    dir.WriteFile("BiosConf_Kolt_V120.ini", "[Version]\nVersion=1\n");
    config.LoadDocuments();
    EXPECT_EQ(config.GetVersion(), u"");
}

}  // namespace
