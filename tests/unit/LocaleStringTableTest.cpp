#include <gtest/gtest.h>

#include "data/LocaleStringTable.h"
#include "platform/LocaleId.h"
#include "tests/support/TempDir.h"

namespace {

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
    Load("[English]\nstr_apply=Apply\n", kLcidSimplifiedChinese);
    EXPECT_EQ(m_table.GetString(u"STR_APPLY"), u"") << "not filled from another language";
    Load("[English]\nstr_apply=Apply\n", kLcidEnglishUs);
    EXPECT_EQ(m_table.GetString(u"STR_APPLY"), u"");
    EXPECT_EQ(m_table.GetString(u"str_apply"), u"Apply");
    TempDir empty;
    m_table.Load(empty.Path(), kLcidEnglishUs);
    EXPECT_EQ(m_table.GetString(u"str_apply"), u"");
}

TEST_F(LocaleStringTableTest, GarbageAndNulBytesInTheFileLeaveTheRestReadable) {
    Load(std::string("\xFF\xFE\x00\x01garbage\n", 12) + kThreeLanguages, kLcidEnglishUs);
    EXPECT_EQ(m_table.GetString(u"STR_CONN_NA"), u"Board not reachable");
    EXPECT_EQ(m_table.GetString(u"STR_APPLY"), u"Apply");
}

}  // namespace
