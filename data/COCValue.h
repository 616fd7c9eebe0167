#pragma once

#include <string>
#include <string_view>

// The value of one over-clock row: the raw value as the board knows it (a
// decimal integer text) and the shown value in user units, raw x Mul / Div.
// All arithmetic is in 32-bit floats, in a fixed order, so that a value
// steps exactly as it always has on the board's own tools. Texts that are no
// number read as 0; a Mul or Div of 0 counts as 1, as everywhere else.
// Not thread-safe: the row that owns it lives on the window's thread.
class COCValue {
public:
    // The colour band of the raw value against the item's two thresholds.
    enum class EBand { Normal, Warning, Alarm };

    // Item texts, stored as given; the next LoadValue takes them into account.
    void SetUnit(std::u16string_view unit) { m_unit = unit; }
    void SetMul(std::u16string_view mul) { m_mul = mul; }
    void SetDiv(std::u16string_view div) { m_div = div; }
    void SetMin(std::u16string_view min) { m_min = min; }
    void SetMax(std::u16string_view max) { m_max = max; }
    void SetThreshold1(std::u16string_view threshold) { m_threshold1 = threshold; }
    void SetThreshold2(std::u16string_view threshold) { m_threshold2 = threshold; }
    // Whether the value came from the board (or the user) and the range can be
    // relied on. An unknown value shows "--"; without both nothing steps.
    void SetKnown(bool bValueKnown, bool bRangeKnown);

    // Takes a raw value and makes it the one Revert returns to. The shown
    // value is limited to the range; the raw text stays as loaded.
    void LoadValue(std::u16string_view raw);
    void Revert() { LoadValue(std::u16string(m_saved)); }
    // As LoadValue, but an edit in hand stays shown, and the raw value
    // becomes the one Revert returns to.
    void LoadKeepingEdit(std::u16string_view raw);
    // One step up or down, within the range; a frequency ("[MHz]") moves by
    // ten raw units, everything else by one. False when nothing changed
    // because the value cannot be stepped.
    bool StepUp() { return Step(+1); }
    bool StepDown() { return Step(-1); }
    // True when the value is known and the range is known and usable.
    bool CanStep() const;

    const std::u16string& RawValue() const { return m_raw; }
    const std::u16string& SavedValue() const { return m_saved; }
    // The shown value as text: "%.1f" for "[MHz]", "%.0f" for "[X]", "%.6f"
    // otherwise; "--" while the value is unknown.
    const std::string& DisplayText() const { return m_display; }
    EBand Band() const { return m_band; }
    const std::u16string& Unit() const { return m_unit; }
    bool IsEdited() const { return m_raw != m_saved; }

    // The band of a raw value against two thresholds: normal while either is
    // 0, warning from the first up to the second, alarm from the second.
    static EBand BandOf(std::u16string_view raw, std::u16string_view threshold1,
                        std::u16string_view threshold2);

private:
    bool Step(int nDirection);
    void Format();
    float Mul() const;
    float Div() const;
    float ShownOf(float fRaw) const { return (Mul() * fRaw) * (1.0f / Div()); }

    std::u16string m_unit = u"[*]";
    std::u16string m_mul;
    std::u16string m_div;
    std::u16string m_min;
    std::u16string m_max;
    std::u16string m_threshold1;
    std::u16string m_threshold2;
    std::u16string m_raw;
    std::u16string m_saved;
    std::string m_display;
    float m_fShown = 0;
    EBand m_band = EBand::Normal;
    bool m_bValueKnown = true;
    bool m_bRangeKnown = true;
};
