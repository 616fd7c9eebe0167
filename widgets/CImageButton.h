#pragma once

#include <QColor>
#include <QPixmap>
#include <QPushButton>
#include <array>

// The flat push button of the power and poster screens: an icon and a word-
// wrapped label in the screens' colours, with a hover look while the pointer
// is over it. Clicks are the ordinary QAbstractButton::clicked.
class CImageButton : public QPushButton {
    Q_OBJECT
public:
    // Where the icon goes relative to the text.
    enum EAlign : int {
        AlignIconLeft = 0,
        AlignIconAbove = 1,
        AlignIconRight = 2,
        AlignIconCentred = 3,
    };
    // Colour slots.
    enum EColor : int {
        ColorBackActive = 0,  // hovered or pressed
        ColorTextActive = 1,
        ColorBackNormal = 2,
        ColorTextNormal = 3,
        ColorBackFocused = 4,  // focused, neither hovered nor pressed
        ColorTextFocused = 5,  // kept, not drawn with
        ColorCount = 6,
    };
    // Icon slots.
    enum EIcon : int { IconActive = 0, IconNormal = 1, IconDisabled = 2, IconCount = 3 };
    enum class EButtonStyle { Push, DefaultPush };

    static constexpr int kIconMargin = 3;

    explicit CImageButton(const QString& strText, QWidget* pParent = nullptr);

    // Each returns 0 when done; a value out of range is ignored and gives
    // 4 (alignment) or 3 (colour index).
    int SetFlat(bool bFlat, bool bRepaint = true);
    int SetAlign(int nAlign, bool bRepaint = true);
    int SetColor(int nIndex, QColor color, bool bRepaint = true);
    // Three image ids (hovered or pressed, normal, disabled), each drawn at
    // its size; an id of 0 leaves the second or third slot empty.
    int SetIcon(int nActiveId, QSize activeSize, int nNormalId, QSize normalSize, int nDisabledId,
                QSize disabledSize, bool bRepaint = true);
    // Only the default flag changes; the button always draws itself.
    void SetButtonStyle(EButtonStyle style);

    int Align() const { return m_nAlign; }
    QColor Color(int nIndex) const { return m_colors.at(static_cast<size_t>(nIndex)); }
    bool IsHover() const { return m_bHover; }
    // The icon slot the button draws in its present state, or -1 for none.
    int ShownIcon() const;
    // The rectangle the icon is drawn in, for the present size and text.
    QRect IconRect() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void enterEvent(QEnterEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    void TrackHover(bool bTouchHeld);
    void EndHover();
    // The text area left beside or below the icon.
    QRect TextArea(const QRect& rcButton, const QRect& rcIcon) const;

    bool m_bFlat = true;
    bool m_bHover = false;
    int m_nAlign = AlignIconLeft;
    std::array<QColor, ColorCount> m_colors;
    std::array<QPixmap, IconCount> m_icons;
};
