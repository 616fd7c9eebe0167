#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QWidget>

#include "data/COCValue.h"

class CMyButton;
class IMainWindow;

// One row of the over-clock page: the item's name, its value in a box
// coloured by the item's thresholds, the unit, and the auto-repeat "-" and
// "+" buttons that step it. It never talks to the board: the page reads the
// raw value out of it for an apply and loads values into it after a refresh,
// an apply or a profile load. Steps are ignored while the board is locked.
// Main thread only.
class COCControl final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCodeStepUp = 0;
    static constexpr int kCodeStepDown = 1;

    COCControl(const IMainWindow& mainWindow, QWidget* pParent);

    // The item's texts; nothing is recomputed until LoadValue.
    void SetName(const std::u16string& name);
    void SetUnit(std::u16string_view unit) { m_value.SetUnit(unit); }
    void SetMul(std::u16string_view text) { m_value.SetMul(text); }
    void SetDiv(std::u16string_view text) { m_value.SetDiv(text); }
    void SetMin(std::u16string_view text) { m_value.SetMin(text); }
    void SetMax(std::u16string_view text) { m_value.SetMax(text); }
    void SetThreshold1(std::u16string_view text) { m_value.SetThreshold1(text); }
    void SetThreshold2(std::u16string_view text) { m_value.SetThreshold2(text); }
    void SetKnown(bool bValueKnown, bool bRangeKnown);

    // A new raw value from the board or a profile, which Revert returns to.
    void LoadValue(std::u16string_view raw);
    void LoadKeepingEdit(std::u16string_view raw);
    void Revert();
    // One step, unless the board is locked or the value cannot be stepped.
    void StepUp();
    void StepDown();

    const std::u16string& GetName() const { return m_name; }
    const std::u16string& GetRawValue() const { return m_value.RawValue(); }
    // Whether the user's steps moved the value off the one last loaded.
    bool IsEdited() const { return m_value.IsEdited(); }
    QString DisplayText() const { return QString::fromStdString(m_value.DisplayText()); }
    QColor ValueColor() const;
    // Whether the name is drawn whole, on one or two lines, rather than cut.
    bool ShowsWholeName() const;
    CMyButton& MinusButton() const { return *m_pMinus; }
    CMyButton& PlusButton() const { return *m_pPlus; }
    // The row's steps are off while the page waits for the board.
    void SetStepsEnabled(bool bEnabled);
    // Marks the row whose apply the board limited or refused, saying what
    // was asked; empty clears it. Kept until the next apply.
    void SetHeldNote(const QString& strNote);
    const QString& HeldNote() const { return m_strHeldNote; }

    // Position of the item in its array, set by the page.
    int m_nItemIndex = 0;

protected:
    bool event(QEvent* pEvent) override;
    // "-" and "+" step the row whose button has the focus.
    void keyPressEvent(QKeyEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    bool IsLocked() const;
    QString LabelText() const;
    // After any change: the buttons' state and what assistive technology reads.
    void Changed();

    const IMainWindow& m_mainWindow;
    std::u16string m_name = u"InitialV";
    COCValue m_value;
    CMyButton* m_pMinus = nullptr;
    CMyButton* m_pPlus = nullptr;
    bool m_bStepsEnabled = true;
    QRect m_rcLabel;
    int m_nUnitWidth = 0;
    int m_nUnitBottom = 0;
    QRect m_rcBox;
    QRect m_rcBoxInside;
    QFont m_labelFont;
    // The label's font for this name: smaller where that lets it wrap whole.
    QFont m_labelFitFont;
    QFont m_valueFont;
    // Said of a value stepped but not applied.
    QString m_strEdited;
    QString m_strHeldNote;
};
