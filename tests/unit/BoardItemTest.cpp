#include <gtest/gtest.h>

#include <filesystem>

#include "data/CIniDocument.h"
#include "link/BoardItem.h"
#include "tests/support/TempDir.h"

namespace {

TEST(BoardItem, FourteenTokensAsWrittenFillTheFieldsAndFewerAreNoItem) {
    BoardItem item;
    ASSERT_TRUE(ParseItem(u"a,1,0,10,20,15,1,1,0,0,86,87,15,x", item));
    const std::vector<std::u16string> fields = {item.Name,         item.Kind,     item.RangeAtLoad,
                                                item.Min,          item.Max,      item.Value,
                                                item.ValueCmd,     item.RangeCmd, item.PrevValue,
                                                item.DefaultShown, item.IniMin,   item.IniMax};
    EXPECT_EQ(fields, (std::vector<std::u16string>{u"a", u"1", u"0", u"10", u"20", u"15", u"86",
                                                   u"87", u"15", u"x", u"10", u"20"}));
    // No trimming; empty tokens kept; tokens past the fourteenth ignored.
    ASSERT_TRUE(
        ParseItem(u" CPU Vcore ,2,,800,1700,1250,1,1000,,1.6,65,97,1250,1,extra,more", item));
    EXPECT_EQ(item.Name, u" CPU Vcore ");
    EXPECT_EQ(item.Threshold1, u"");
    EXPECT_EQ(item.Threshold2, u"1.6");
    EXPECT_EQ(item.DefaultShown, u"1");
    item.Name = u"untouched";
    EXPECT_FALSE(ParseItem(u"a,1,0,10,20,15,1,1,0,0,86,87,15", item));
    EXPECT_FALSE(ParseItem(u"", item));
    EXPECT_EQ(item.Name, u"untouched");
    // Thirteen commas make fourteen tokens, the last one empty.
    EXPECT_TRUE(ParseItem(u"a,1,0,10,20,15,1,1,0,0,86,87,15,", item));
    EXPECT_EQ(item.DefaultShown, u"");
}

TEST(BoardItem, NumbersReadLikeTheCLibraryAndNeverOverflow) {
    EXPECT_EQ(WToL(u"  -12x"), -12);
    EXPECT_EQ(WToL(u"+7"), 7);
    EXPECT_EQ(WToL(u"abc"), 0);
    EXPECT_EQ(WToL(u""), 0);
    EXPECT_EQ(WToL(u"1.6"), 1);
    EXPECT_EQ(WToL(u"99999999999999999999999"), kWToLLimit);
    EXPECT_EQ(WToL(u"-99999999999999999999999"), -kWToLLimit);
    EXPECT_EQ(WToL(u"2147483648"), kWToLLimit);
    EXPECT_EQ(ToText(-3), u"-3");
    EXPECT_TRUE(EqualsNoCase(u"CPU Fan", u"cpu FAN"));
    EXPECT_FALSE(EqualsNoCase(u"CPU Fan", u"CPU Fan2"));
}

class LoadSectionTest : public testing::Test {
protected:
    BoardItemArray Load(const std::string& strText) {
        CIniDocument document;
        document.LoadFile(m_dir.WriteFile("board.ini", strText));
        BoardItemArray items;
        LoadSection(document, u"Over_Volt", items);
        return items;
    }

    TempDir m_dir;
};

// Keys "1" to Count in number order; key text must be as "%i" writes it; a
// line that is no item is skipped; a huge Count costs only the keys there are.
TEST_F(LoadSectionTest, TakesTheUsableLinesOfKeysOneToCountInNumberOrder) {
    const std::string a = "a,2,0,0,9,1,1,1,0,0,65,0,1,1";
    const std::string z = "z,2,0,0,9,1,1,1,0,0,66,0,1,1";
    const struct {
        std::string strText;
        std::vector<std::u16string> names;
    } cases[] = {
        {"Count=3\n2=b" + a.substr(1) + "\n1=" + a + "\n3=c" + a.substr(1) + "\n4=d" + a.substr(1),
         {u"a", u"b", u"c"}},
        {"1=" + a, {}},
        {"Count=0\n1=" + a, {}},
        {"Count=many\n1=" + a, {}},
        {"Count=-5\n1=" + a, {}},
        {"Count=2147483647\n1=" + a + "\n2000000000=" + z, {u"a", u"z"}},
        {"Count=4\n1=" + a + "\n2=broken,2,0\n4=" + z + "\n01=padded" + a.substr(1), {u"a", u"z"}},
    };
    for (const auto& c : cases) {
        std::vector<std::u16string> names;
        for (const BoardItem& item : Load("[Over_Volt]\n" + c.strText + "\n")) {
            names.push_back(item.Name);
        }
        EXPECT_EQ(names, c.names) << c.strText;
    }
    EXPECT_TRUE(Load("").empty());
}

TEST(PruneOverRatio, EmptiesTheRatiosOnlyWhenTheFirstRangeIsZeroToZero) {
    BoardItemArray ratios(2);
    ratios[0].Min = u"0";
    ratios[0].Max = u"1";
    PruneOverRatio(ratios);
    EXPECT_EQ(ratios.size(), 2u);
    ratios[0].Max = u"0";
    ratios[1].Max = u"9";
    PruneOverRatio(ratios);
    EXPECT_TRUE(ratios.empty());
    PruneOverRatio(ratios);  // an empty array stays empty
    EXPECT_TRUE(ratios.empty());
}

}  // namespace
