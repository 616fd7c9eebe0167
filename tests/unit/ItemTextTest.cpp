// How raw values are shown: texts, units and alarms.

#include <gtest/gtest.h>

#include "link/ItemText.h"

namespace {

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

TEST(ItemText, OverclockValuesAreShownWithinTheRangeInTheUnitsFormat) {
    EXPECT_EQ(ShownText(EBoardArray::OverVolt, MakeItem(1250, 1, 1000)), "1.250000");
    EXPECT_EQ(ShownText(EBoardArray::OverFreq, MakeItem(1333, 1, 10)), "133.3");
    EXPECT_EQ(ShownText(EBoardArray::OverRatio, MakeItem(12, 1, 1)), "12");
    // Outside the range the shown value stops at its end; the raw text is untouched.
    EXPECT_EQ(ShownText(EBoardArray::OverFreq, MakeItem(1500, 1, 10, 1000, 1400)), "140.0");
    EXPECT_EQ(ShownText(EBoardArray::OverVolt, MakeItem(500, 1, 1000, 800, 1600)), "0.800000");
    // A divisor of 0 counts as 1.
    EXPECT_EQ(ShownText(EBoardArray::OverRatio, MakeItem(12, 1, 0)), "12");
}

// A description with absurd numbers must not crash every start (the sanitizer
// build turns any overflow here into a failure).
TEST(ItemText, NumbersBeyondAnyBoardsAreShownWithoutOverflow) {
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

// Fans divide as whole numbers; temperatures above 127 count below zero and
// outside -30..120 there is no reading; a divisor of 0 counts as 1.
TEST(ItemText, MonitoredValuesFollowTheirOwnRules) {
    const struct {
        EBoardArray array;
        long nValue, nMul, nDiv;
        const char* pszShown;
    } cases[] = {{EBoardArray::HwVolt, 1250, 7, 1000, "1.25000"},
                 {EBoardArray::HwFrq, 1333, 1, 10, "133.3"},
                 {EBoardArray::HwFan, 1455, 1, 10, "145"},
                 {EBoardArray::HwFan, 7, 1, 2, "3"},
                 {EBoardArray::HwTemp, 62, 1, 1, "62"},
                 {EBoardArray::HwTemp, 130, 1, 1, "-3"},
                 {EBoardArray::HwTemp, 157, 1, 1, "-30"},
                 {EBoardArray::HwTemp, 158, 1, 1, "N/A"},
                 {EBoardArray::HwTemp, 120, 1, 1, "120"},
                 {EBoardArray::HwTemp, 121, 1, 1, "N/A"},
                 {EBoardArray::HwTemp, 200, 1, 1, "N/A"},
                 {EBoardArray::HwFan, 1455, 1, 0, "1455"},
                 {EBoardArray::HwVolt, 12, 1, 0, "12.00000"},
                 {EBoardArray::HwTemp, -5, 1, 0, "-5"}};
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
}

TEST(ItemText, AShownValueIsComparedInSinglePrecision) {
    const BoardItem item = MakeItem(0, 1, 1, 0, 0, u"1.6");
    EXPECT_TRUE(IsAlarmValue(u"1.60000", item, false));
    EXPECT_FALSE(IsAlarmValue(u"1.59999", item, false));
    // Apart only beyond single precision: the same number, so an alarm.
    const BoardItem fine = MakeItem(0, 1, 1, 0, 0, u"1.6000000001");
    EXPECT_TRUE(IsAlarmValue(u"1.60000", fine, false));
    EXPECT_TRUE(IsAlarmValue(u"600", item, true));
    EXPECT_FALSE(IsAlarmValue(u"601", item, true));
    EXPECT_TRUE(IsAlarmValue(u"N/A", item, true));
}

}  // namespace
