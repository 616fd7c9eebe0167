#include <gtest/gtest.h>

#include <filesystem>

#include "data/CIniDocument.h"
#include "link/BoardItem.h"
#include "tests/support/TempDir.h"

namespace {

TEST(BoardItem, ALineOfFourteenTokensFillsEveryFieldAndKeepsTheDescribedRange) {
    BoardItem item;
    ASSERT_TRUE(ParseItem(u"a,1,0,10,20,15,1,1,0,0,86,87,15,x", item));
    EXPECT_EQ(item.Name, u"a");
    EXPECT_EQ(item.Kind, u"1");
    EXPECT_EQ(item.RangeAtLoad, u"0");
    EXPECT_EQ(item.Min, u"10");
    EXPECT_EQ(item.Max, u"20");
    EXPECT_EQ(item.Value, u"15");
    EXPECT_EQ(item.ValueCmd, u"86");
    EXPECT_EQ(item.RangeCmd, u"87");
    EXPECT_EQ(item.PrevValue, u"15");
    EXPECT_EQ(item.DefaultShown, u"x");
    EXPECT_EQ(item.IniMin, u"10");
    EXPECT_EQ(item.IniMax, u"20");
}

TEST(BoardItem, TokensAreTakenAsWrittenWithEmptyOnesKeptAndExtrasIgnored) {
    BoardItem item;
    ASSERT_TRUE(
        ParseItem(u" CPU Vcore ,2,,800,1700,1250,1,1000,,1.6,65,97,1250,1,extra,more", item));
    EXPECT_EQ(item.Name, u" CPU Vcore ");  // no trimming
    EXPECT_EQ(item.RangeAtLoad, u"");
    EXPECT_EQ(item.Threshold1, u"");
    EXPECT_EQ(item.Threshold2, u"1.6");
    EXPECT_EQ(item.DefaultShown, u"1");
}

TEST(BoardItem, ALineWithFewerThanFourteenTokensIsNoItem) {
    BoardItem item;
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

TEST_F(LoadSectionTest, ReadsKeysOneToCountInNumberOrder) {
    BoardItemArray items = Load(
        "[Over_Volt]\nCount=3\n2=b,2,0,0,9,1,1,1,0,0,66,0,1,1\n1=a,2,0,0,9,1,1,1,0,0,65,0,1,1\n"
        "3=c,2,0,0,9,1,1,1,0,0,67,0,1,1\n4=d,2,0,0,9,1,1,1,0,0,68,0,1,1\n");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Name, u"a");
    EXPECT_EQ(items[1].Name, u"b");
    EXPECT_EQ(items[2].Name, u"c");  // key 4 lies beyond Count
}

TEST_F(LoadSectionTest, AMissingZeroOrUnreadableCountLeavesTheArrayEmpty) {
    const std::string strItem = "1=a,2,0,0,9,1,1,1,0,0,65,0,1,1\n";
    EXPECT_TRUE(Load("[Over_Volt]\n" + strItem).empty());
    EXPECT_TRUE(Load("[Over_Volt]\nCount=0\n" + strItem).empty());
    EXPECT_TRUE(Load("[Over_Volt]\nCount=many\n" + strItem).empty());
    EXPECT_TRUE(Load("[Over_Volt]\nCount=-5\n" + strItem).empty());
    EXPECT_TRUE(Load("").empty());
}

TEST_F(LoadSectionTest, AHugeCountCostsOnlyTheKeysThatExist) {
    BoardItemArray items = Load(
        "[Over_Volt]\nCount=2147483647\n1=a,2,0,0,9,1,1,1,0,0,65,0,1,1\n"
        "2000000000=z,2,0,0,9,1,1,1,0,0,66,0,1,1\n");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].Name, u"z");
}

TEST_F(LoadSectionTest, BrokenOrMissingLinesAreSkippedAndTheRestKept) {
    BoardItemArray items = Load(
        "[Over_Volt]\nCount=4\n1=a,2,0,0,9,1,1,1,0,0,65,0,1,1\n2=broken,2,0\n"
        "4=d,2,0,0,9,1,1,1,0,0,68,0,1,1\n01=padded,2,0,0,9,1,1,1,0,0,69,0,1,1\n");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].Name, u"a");
    EXPECT_EQ(items[1].Name, u"d");
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
