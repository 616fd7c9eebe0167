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

TEST(ItemText, MonitoredValuesFollowTheirOwnRules) {
    EXPECT_EQ(ShownText(EBoardArray::HwVolt, MakeItem(1250, 7, 1000)), "1.25000");
    EXPECT_EQ(ShownText(EBoardArray::HwFrq, MakeItem(4810, 1, 1)), "4810.0");
    // Fans divide as whole numbers.
    EXPECT_EQ(ShownText(EBoardArray::HwFan, MakeItem(1455, 1, 10)), "145");
    // Temperatures above 127 count below zero; outside -30..120 there is no reading.
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(62, 1, 1)), "62");
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(130, 1, 1)), "-3");
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(157, 1, 1)), "-30");
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(158, 1, 1)), "N/A");
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(121, 1, 1)), "N/A");
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(45, 1, 1)), "45");
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(120, 1, 1)), "120");
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(200, 1, 1)), "N/A");  // -73
    EXPECT_EQ(ShownText(EBoardArray::HwFan, MakeItem(2047, 1, 1)), "2047");
    EXPECT_EQ(ShownText(EBoardArray::HwFan, MakeItem(7, 1, 2)), "3");
    EXPECT_EQ(ShownText(EBoardArray::HwFrq, MakeItem(1333, 1, 10)), "133.3");
    // A divisor of 0 counts as 1, so the reading is still shown.
    EXPECT_EQ(ShownText(EBoardArray::HwFan, MakeItem(1455, 1, 0)), "1455");
    EXPECT_EQ(ShownText(EBoardArray::HwVolt, MakeItem(12, 1, 0)), "12.00000");
    EXPECT_EQ(ShownText(EBoardArray::HwTemp, MakeItem(-5, 1, 0)), "-5");
}

TEST(ItemText, TextsThatAreNoNumbersReadAsZero) {
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
