// Board items: how they are read from a description and how their values are shown.

#include <gtest/gtest.h>

#include <algorithm>

#include "data/CIniDocument.h"
#include "link/BoardItem.h"
#include "link/DescriptionCheck.h"
#include "link/ItemText.h"
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
    // A description with absurd numbers must not crash every start (the sanitizer
    // build turns any overflow here into a failure).
    BoardItem item;
    item.Value = u"-99999999999999999999";
    item.Div = u"-1";
    item.Mul = u"99999999999999999999";
    item.Min = u"-99999999999999999999";
    item.Max = u"99999999999999999999";
    for (int nArray = kFirstArray; nArray <= kLastArray; ++nArray) {
        const auto array = static_cast<EBoardArray>(nArray);
        EXPECT_FALSE(ShownText(array, item).empty()) << nArray;
        IsAlarm(array, item);
    }
    EXPECT_EQ(ShownText(EBoardArray::HwFan, item), "2147483647");
}

BoardItem MakeItem(long nValue, long nMul, long nDiv, long nMin = 0, long nMax = 100000,
                   const std::u16string& threshold2 = u"0") {
    BoardItem item;
    item.Name = u"x";
    item.Value = ToText(nValue);
    item.Mul = ToText(nMul);
    item.Div = ToText(nDiv);
    item.Min = ToText(nMin);
    item.Max = ToText(nMax);
    item.Threshold2 = threshold2;
    return item;
}

// Checks a description as the link does: its bytes and the document read from them.
DescriptionCheck Check(const std::string& strBytes) {
    TempDir dir;
    CIniDocument document;
    document.LoadFile(dir.WriteFile("board.ini", strBytes));
    return CheckDescription(strBytes, document);
}

// Keys "1" to Count in number order; key text must be as "%i" writes it; a
// line that is no item is skipped; a huge Count costs only the keys there are.
TEST(DescriptionCheck, TakesTheUsableLinesOfKeysOneToCountInNumberOrder) {
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
        {"Count=2147483647\n1=" + a + "\n2000000000=" + z, {u"a", u"z"}},
        {"Count=4\n1=" + a + "\n2=broken,2,0\n4=" + z + "\n01=padded" + a.substr(1), {u"a", u"z"}},
    };
    for (const auto& c : cases) {
        std::vector<std::u16string> names;
        const DescriptionCheck check = Check("[Over_Volt]\n" + c.strText + "\n");
        for (const BoardItem& item : check.Items(EBoardArray::OverVolt)) {
            names.push_back(item.Name);
        }
        EXPECT_EQ(names, c.names) << c.strText;
    }
}

std::string Line(const std::string& strName, const std::string& strKind, const std::string& strMin,
                 const std::string& strMax, const std::string& strScale, int nLetter) {
    return strName + "," + strKind + ",0," + strMin + "," + strMax + ",1250," + strScale + ",0,0," +
           std::to_string(nLetter) + ",97,1250,1";
}

// Every fault of a damaged description leaves out only what it touches and
// is named with its reason; with nothing usable left, the check says so.
TEST(DescriptionCheck, EachBrokenPartIsLeftOutAndNamedWithItsReason) {
    using namespace std::string_literals;
    const std::string strGood = "2=" + Line("Good", "2", "800", "1700", "1,1000", 66) + "\n";
    const std::string strVolt = "[Over_Volt]\nCount=2\n";
    const struct {
        std::string strBytes;
        const char* pszProblem;  // part of the one problem named
        size_t nUsable;          // usable items left
    } cases[] = {
        {"\x01\x02 garbage \xFF without sections", nullptr, 0},
        {std::string(64, '\0'), nullptr, 0},
        {"[Over_Volt]\n[HW_Temp]\n", nullptr, 0},
        {"\xFF\xFE[\0O\0v\0"s, "UTF-16 text", 0},
        {strVolt + "1=" + Line("A", "2", "0", "9", "1,1", 65) + "\n" + strGood + strVolt +
             "1=" + Line("B", "2", "0", "9", "1,1", 67) + "\n",
         "section [Over_Volt] is given twice", 1},
        {strVolt + "1=" + Line("A", "2", "0", "9", "1,1", 65) +
             "\n1=" + Line("B", "2", "0", "9", "1,1", 67) + "\n" + strGood,
         "(item 1 of [Over_Volt]) is given twice, as 'A' and 'B'", 1},
        {"[Over_Volt]\nCount=-1\n" + strGood, "Count '-1', not a whole number", 0},
        {"[Over_Volt]\nCount=two\n" + strGood, "Count 'two', not a whole number", 0},
        {strVolt + "1=A,2,0\n" + strGood, "item 1 of [Over_Volt] has fewer than 14 fields", 1},
        {strVolt + "1=" + Line("A", "7", "0", "9", "1,1", 65) + "\n" + strGood, "its kind '7'", 1},
        {strVolt + "1=" + Line("A", "2", "0", "99999999999", "1,1", 65) + "\n" + strGood,
         "its Max 99999999999 is past 2147483647", 1},
        {strVolt + "1=" + Line("A", "2", "9", "0", "1,1", 65) + "\n" + strGood,
         "'A' (item 1 of [Over_Volt]) is left out: its Min 9 lies above its Max 0", 1},
        {strVolt + "1=" + Line("A", "2", "0", "9", "-2147483648,-1", 65) + "\n" + strGood,
         "its scale -2147483648/-1", 1},
        {strVolt + "1=" + Line("A", "2", "0", "9", "0,1", 65) + "\n" + strGood, "its scale 0/1", 1},
        {strVolt + "1=" + Line("A", "2", "0", "9", "1,1", 4) + "\n" + strGood,
         "a letter the protocol keeps", 1},
        {strVolt + "1=" + Line("A", "2", "0", "9", "1,1", 300) + "\n" + strGood,
         "command letter is not a number from 1 to 255", 1},
        {strVolt + "1=CPU\0Vcore,2,0,0,9,1,1,1,0,0,65,97,1,1\n"s + strGood, "holds a NUL byte", 1},
        {strVolt + "3=" + Line("A", "2", "0", "9", "1,1", 65) + "\n" + strGood,
         "(item 3 of [Over_Volt]) lies past Count 2", 1},
        {"[Over_Volt]\nCount=3\n" + strGood, "[Over_Volt] has Count 3 but holds 1 item", 1},
        {strVolt + "1=" + Line("DRAM Voltage", "4", "1200", "2000", "1,1000", 65) + "\n" + strGood,
         "'DRAM Voltage' (item 1 of [Over_Volt]) is a one-byte setting with the range 1200 to "
         "2000",
         2},
        {strVolt + "1=" + Line("A", "2", "0", "9", "1,1", 66) + "\n" + strGood,
         "'A', 'Good' share the value letter 66; none of them is written", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strBytes);
        const DescriptionCheck check = Check(c.strBytes);
        size_t nUsable = 0;
        for (const BoardItemArray& items : check.arrays) {
            nUsable += items.size();
        }
        EXPECT_EQ(nUsable, c.nUsable);
        EXPECT_EQ(check.HasUsableItem(), c.nUsable > 0);
        if (c.pszProblem == nullptr) {
            continue;
        }
        EXPECT_TRUE(std::ranges::any_of(check.problems, [&c](const std::string& strProblem) {
            return strProblem.find(c.pszProblem) != std::string::npos;
        })) << (check.problems.empty() ? "no problem named" : check.problems[0]);
    }
    // Items on one letter stay, to be read, but neither is ever written.
    const DescriptionCheck shared =
        Check(strVolt + "1=" + Line("A", "2", "0", "9", "1,1", 66) + "\n" + strGood);
    EXPECT_TRUE(shared.Items(EBoardArray::OverVolt).at(0).bWriteBlocked);
    EXPECT_TRUE(shared.Items(EBoardArray::OverVolt).at(1).bWriteBlocked);
    // A threshold beyond any reading is said, and raises no alarm at 12.103 V.
    const DescriptionCheck far =
        Check("[HW_Volt]\nCount=1\n1=+12V,2,0,0,20000,12103,1,1000,0,-1e41,78,0,12103,1\n");
    ASSERT_EQ(far.Items(EBoardArray::HwVolt).size(), 1u);
    EXPECT_FALSE(IsAlarm(EBoardArray::HwVolt, far.Items(EBoardArray::HwVolt)[0]));
    EXPECT_FALSE(AlarmLineOf(EBoardArray::HwVolt, far.Items(EBoardArray::HwVolt)[0]).has_value());
    EXPECT_NE(far.problems.at(0).find("its Threshold2 -1e41 lies beyond any reading"),
              std::string::npos);
    // A monitored value of another kind is read as a plain word, as described.
    EXPECT_TRUE(Check("[HW_Volt]\nCount=1\n1=" + Line("+5V", "0", "0", "6000", "1,1000", 78))
                    .problems.empty());
}

TEST(ItemText, EachArrayShowsItsValuesInItsOwnFormat) {
    EXPECT_EQ(ShownText(EBoardArray::OverVolt, MakeItem(1250, 1, 1000)), "1.250000");
    EXPECT_EQ(ShownText(EBoardArray::OverVolt, MakeItem(65535, 1, 1000)), "65.535000");
    EXPECT_EQ(ShownText(EBoardArray::HwVolt, MakeItem(65535, 1, 1000)), "65.53500");
    EXPECT_EQ(ShownText(EBoardArray::OverFreq, MakeItem(1333, 1, 10)), "133.3");
    EXPECT_EQ(ShownText(EBoardArray::OverRatio, MakeItem(12, 1, 1)), "12");
    // Outside the range the shown value stops at its end; the raw text is untouched.
    EXPECT_EQ(ShownText(EBoardArray::OverFreq, MakeItem(1500, 1, 10, 1000, 1400)), "140.0");
    EXPECT_EQ(ShownText(EBoardArray::OverVolt, MakeItem(500, 1, 1000, 800, 1600)), "0.800000");
    // A divisor of 0 counts as 1.
    EXPECT_EQ(ShownText(EBoardArray::OverRatio, MakeItem(12, 1, 0)), "12");
    // Fans divide as whole numbers; temperatures above 127 count below zero and
    // outside -30..120 there is no reading; a divisor of 0 counts as 1.
    const struct {
        EBoardArray array;
        long nValue, nMul, nDiv;
        const char* pszShown;
    } cases[] = {
        {EBoardArray::HwVolt, 1250, 7, 1000, "1.25000"}, {EBoardArray::HwFrq, 1333, 1, 10, "133.3"},
        {EBoardArray::HwFan, 1455, 1, 10, "145"},        {EBoardArray::HwFan, 7, 1, 2, "3"},
        {EBoardArray::HwTemp, 62, 1, 1, "62"},           {EBoardArray::HwTemp, 130, 1, 1, "-3"},
        {EBoardArray::HwTemp, 157, 1, 1, "-30"},         {EBoardArray::HwTemp, 158, 1, 1, "N/A"},
        {EBoardArray::HwTemp, 120, 1, 1, "120"},         {EBoardArray::HwTemp, 121, 1, 1, "N/A"},
        {EBoardArray::HwTemp, 200, 1, 1, "N/A"},         {EBoardArray::HwFan, 1455, 1, 0, "1455"},
        {EBoardArray::HwVolt, 12, 1, 0, "12.00000"},     {EBoardArray::HwTemp, -5, 1, 0, "-5"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ShownText(c.array, MakeItem(c.nValue, c.nMul, c.nDiv)), c.pszShown) << c.nValue;
    }
    // Texts that are no numbers read as 0; an empty divisor as 1.
    BoardItem item = MakeItem(0, 1, 1000);
    item.Value = u"abc";
    EXPECT_EQ(ShownText(EBoardArray::HwVolt, item), "0.00000");
    item.Value = u"1250";
    item.Div = u"";
    EXPECT_EQ(ShownText(EBoardArray::HwFrq, item), "1250.0");
}

TEST(ItemText, AlarmsAtTheThresholdForVoltagesAndTemperaturesAndAt600RpmForFans) {
    EXPECT_TRUE(IsAlarm(EBoardArray::HwVolt, MakeItem(1600, 1, 1000, 0, 2000, u"1.6")));
    EXPECT_FALSE(IsAlarm(EBoardArray::HwVolt, MakeItem(1599, 1, 1000, 0, 2000, u"1.6")));
    EXPECT_TRUE(IsAlarm(EBoardArray::HwTemp, MakeItem(70, 1, 1, 0, 125, u"70")));
    EXPECT_FALSE(IsAlarm(EBoardArray::HwTemp, MakeItem(69, 1, 1, 0, 125, u"70")));
    // "N/A" reads as 0: red only for a threshold of 0 or less.
    EXPECT_FALSE(IsAlarm(EBoardArray::HwTemp, MakeItem(200, 1, 1, 0, 255, u"70")));
    EXPECT_TRUE(IsAlarm(EBoardArray::HwTemp, MakeItem(200, 1, 1, 0, 255, u"0")));
    EXPECT_TRUE(IsAlarm(EBoardArray::HwFan, MakeItem(600, 1, 1)));
    EXPECT_TRUE(IsAlarm(EBoardArray::HwFan, MakeItem(0, 1, 1)));
    EXPECT_FALSE(IsAlarm(EBoardArray::HwFan, MakeItem(601, 1, 1)));
    EXPECT_FALSE(IsAlarm(EBoardArray::HwFrq, MakeItem(0, 1, 1)));
    EXPECT_EQ(UnitOf(EBoardArray::HwTemp), "[\u2103]");
    EXPECT_EQ(UnitOf(EBoardArray::HwFan), "[RPM]");
    EXPECT_EQ(UnitOf(EBoardArray::OverRatio), "[X]");
    // The list's own rendering test meets the plain cases.
    const BoardItem item = MakeItem(0, 1, 1, 0, 0, u"1.6000000001");
    EXPECT_TRUE(IsAlarmValue(u"1.60000", item, false));
    EXPECT_TRUE(IsAlarmValue(u"N/A", item, true));
}

}  // namespace
