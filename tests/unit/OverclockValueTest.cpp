// The over-clock row's value: how raw values show, step and colour.

#include <gtest/gtest.h>

#include "data/COCValue.h"

namespace {

struct ItemTexts {
    const char16_t* pszUnit;
    const char16_t* pszMul;
    const char16_t* pszDiv;
    const char16_t* pszMin;
    const char16_t* pszMax;
};

COCValue Loaded(const ItemTexts& item, const char16_t* pszRaw) {
    COCValue value;
    value.SetUnit(item.pszUnit);
    value.SetMul(item.pszMul);
    value.SetDiv(item.pszDiv);
    value.SetMin(item.pszMin);
    value.SetMax(item.pszMax);
    value.LoadValue(pszRaw);
    return value;
}

const ItemTexts kFrequency{u"[MHz]", u"1", u"10", u"1000", u"1400"};
const ItemTexts kVoltage{u"[V]", u"1", u"1000", u"800", u"1700"};

// Each row: an item, the raw value loaded, steps (+1 up, -1 down), then the
// display and raw value expected.
struct StepCase {
    const char* pszWhat;
    ItemTexts item;
    const char16_t* pszLoaded;
    std::vector<int> steps;
    const char* pszDisplay;
    const char16_t* pszRaw;
};

void PrintTo(const StepCase& c, std::ostream* pOut) {
    *pOut << c.pszWhat;
}

class OverclockValueSteps : public testing::TestWithParam<StepCase> {};

TEST_P(OverclockValueSteps, ShowAndStepInUserUnits) {
    const StepCase& c = GetParam();
    SCOPED_TRACE(c.pszWhat);
    COCValue value = Loaded(c.item, c.pszLoaded);
    for (const int nStep : c.steps) {
        nStep > 0 ? value.StepUp() : value.StepDown();
    }
    EXPECT_EQ(value.DisplayText(), c.pszDisplay);
    EXPECT_EQ(value.RawValue(), c.pszRaw);
    EXPECT_EQ(value.SavedValue(), c.pszLoaded) << "steps never touch the saved value";
}

const ItemTexts kRatio{u"[X]", u"1", u"1", u"8", u"60"};
const ItemTexts kSigned{u"[X]", u"1", u"1", u"-10", u"10"};
const ItemTexts kUnscaled{u"[X]", u"0", u"0", u"0", u"9"};  // Mul and Div of 0 count as 1
const ItemTexts kUpsideDown{u"[X]", u"1", u"1", u"9", u"1"};

INSTANTIATE_TEST_SUITE_P(
    Cases, OverclockValueSteps,
    testing::Values(StepCase{"frequency", kFrequency, u"1333", {}, "133.3", u"1333"},
                    StepCase{"ten raw units", kFrequency, u"1333", {1}, "134.3", u"1343"},
                    StepCase{"top", kFrequency, u"1399", {1, 1, 1}, "140.0", u"1400"},
                    StepCase{"bottom", kFrequency, u"1005", {-1, -1}, "100.0", u"1000"},
                    StepCase{"voltage", kVoltage, u"1250", {-1}, "1.249000", u"1249"},
                    StepCase{"ratio", kRatio, u"12", {1}, "13", u"13"},
                    StepCase{"raw kept above range", kVoltage, u"1800", {}, "1.700000", u"1800"},
                    StepCase{"half up below zero", kSigned, u"-2", {-1}, "-3", u"-3"},
                    StepCase{"no scale", kUnscaled, u"4", {1}, "5", u"5"},
                    StepCase{"no number reads 0", kUnscaled, u"nan", {1}, "1", u"1"},
                    StepCase{"upside down", kUpsideDown, u"4", {1, -1}, "4", u"4"}));

TEST(OverclockValue, ColoursFollowTheRawValueAgainstBothThresholds) {
    using EBand = COCValue::EBand;
    const struct {
        const char16_t* pszRaw;
        const char16_t* pszFirst;
        const char16_t* pszSecond;
        EBand band;
    } cases[] = {
        {u"5000", u"0", u"1400", EBand::Normal},     {u"5000", u"1300", u"0", EBand::Normal},
        {u"1299", u"1300", u"1400", EBand::Normal},  {u"1300", u"1300", u"1400", EBand::Warning},
        {u"1399", u"1300", u"1400", EBand::Warning}, {u"1400", u"1300", u"1400", EBand::Alarm},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(COCValue::BandOf(cases[i].pszRaw, cases[i].pszFirst, cases[i].pszSecond),
                  cases[i].band)
            << "case " << i;
    }
    // The loaded text decides the colour, even beyond the range.
    COCValue value;
    value.SetThreshold1(u"1300");
    value.SetThreshold2(u"1400");
    value.SetMin(u"800");
    value.SetMax(u"1350");
    value.LoadValue(u"1450");
    EXPECT_EQ(value.Band(), EBand::Alarm);
}

TEST(OverclockValue, RevertReturnsToTheLastLoadedValueAndAnUnknownOneNeverSteps) {
    COCValue value = Loaded(kVoltage, u"1250");
    value.SetThreshold1(u"1251");
    value.SetThreshold2(u"1300");
    value.StepUp();
    value.StepUp();
    EXPECT_TRUE(value.IsEdited());
    EXPECT_EQ(value.Band(), COCValue::EBand::Warning);
    value.Revert();
    EXPECT_EQ(value.RawValue(), u"1250");
    EXPECT_EQ(value.DisplayText(), "1.250000");
    EXPECT_EQ(value.Band(), COCValue::EBand::Normal);
    EXPECT_FALSE(value.IsEdited());

    value.SetKnown(false, true);
    value.LoadValue(u"1250");
    EXPECT_EQ(value.DisplayText(), "--");
    EXPECT_FALSE(value.StepUp());
    value.SetKnown(true, false);
    value.LoadValue(u"1250");
    EXPECT_FALSE(value.StepDown()) << "no step against a range nobody read";
    EXPECT_EQ(value.RawValue(), u"1250");
}

}  // namespace
