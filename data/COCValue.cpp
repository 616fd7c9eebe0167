#include "data/COCValue.h"

#include <cmath>

#include "data/ValueText.h"

namespace {

// A raw value must fit the board's 32-bit words, as WToL reads them.
constexpr float kLargestRaw = 2147483520.0f;  // the largest float below 2^31

// The number at the start of a text as a 32-bit float; "nan" is no number.
float Number(std::u16string_view text) {
    const auto fValue = static_cast<float>(LeadingNumber(text));
    return std::isnan(fValue) ? 0.0f : fValue;
}

float NonZero(float fValue) {
    return fValue == 0 ? 1.0f : fValue;
}

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

}  // namespace

float COCValue::Mul() const {
    return NonZero(Number(m_mul));
}

float COCValue::Div() const {
    return NonZero(Number(m_div));
}

void COCValue::SetKnown(bool bValueKnown, bool bRangeKnown) {
    m_bValueKnown = bValueKnown;
    m_bRangeKnown = bRangeKnown;
}

bool COCValue::CanStep() const {
    if (!m_bValueKnown || !m_bRangeKnown) {
        return false;
    }
    const float fMin = ShownOf(Number(m_min));
    const float fMax = ShownOf(Number(m_max));
    // A range upside down or beyond numbers has no step that means anything.
    return std::isfinite(fMin) && std::isfinite(fMax) && std::isfinite(m_fShown) &&
           Number(m_min) <= Number(m_max);
}

void COCValue::LoadValue(std::u16string_view raw) {
    m_raw = raw;
    float fShown = ShownOf(Number(m_raw));
    const float fMin = ShownOf(Number(m_min));
    const float fMax = ShownOf(Number(m_max));
    // A range upside down limits nothing: the value shows as the board sent it.
    if (fMin <= fMax) {
        fShown = std::fmin(std::fmax(fShown, fMin), fMax);
    }
    m_fShown = fShown;
    m_band = BandOf(m_raw, m_threshold1, m_threshold2);
    m_saved = m_raw;
    Format();
}

void COCValue::LoadKeepingEdit(std::u16string_view raw) {
    if (!IsEdited()) {
        LoadValue(raw);
        return;
    }
    // Formatted again: the range or thresholds may have been read anew.
    LoadValue(std::u16string(m_raw));
    m_saved = raw;
}

bool COCValue::Step(int nDirection) {
    if (!CanStep()) {
        return false;
    }
    const bool bUp = nDirection > 0;
    const float fMul = Mul();
    const float fDiv = Div();
    const float fLimit = Number(bUp ? m_max : m_min);
    const float fShownLimit = ShownOf(fLimit);
    const float fStep = m_unit == u"[MHz]" ? (fMul * 10.0f) * (1.0f / fDiv) : fMul * (1.0f / fDiv);
    float fShown = bUp ? m_fShown + fStep : m_fShown - fStep;
    if (bUp ? fShown >= fShownLimit : fShown < fShownLimit) {
        fShown = fShownLimit;
    }
    float fRaw = (fShown / fMul) * fDiv;
    if (bUp ? fRaw >= fLimit : fRaw <= fLimit) {
        fRaw = fLimit;
    }
    // Rounded half up, below zero too, and kept within what a raw value can be.
    fRaw = std::floor(fRaw + 0.5f);
    fRaw = std::fmax(std::fmin(fRaw, kLargestRaw), -kLargestRaw);
    m_fShown = fShown;
    m_raw = Widen(std::to_string(static_cast<long>(fRaw)));
    m_band = BandOf(m_raw, m_threshold1, m_threshold2);
    Format();
    return true;
}

void COCValue::Format() {
    if (!m_bValueKnown) {
        m_display = "--";
    } else if (m_unit == u"[MHz]") {
        m_display = FixedText(m_fShown, 1);
    } else if (m_unit == u"[X]") {
        m_display = FixedText(m_fShown, 0);
    } else {
        m_display = FixedText(m_fShown, 6);
    }
}

COCValue::EBand COCValue::BandOf(std::u16string_view raw, std::u16string_view threshold1,
                                 std::u16string_view threshold2) {
    const float fValue = Number(raw);
    const float fWarning = Number(threshold1);
    const float fAlarm = Number(threshold2);
    if (fWarning == 0 || fAlarm == 0) {
        return EBand::Normal;
    }
    if (fValue >= fWarning && fValue < fAlarm) {
        return EBand::Warning;
    }
    return fValue >= fAlarm ? EBand::Alarm : EBand::Normal;
}
