#include "widgets/CImageButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "widgets/Images.h"

namespace {
const QColor kPanel(107, 37, 37);
constexpr int kMaxTextLength = 256;
constexpr int kFocusInset = 3;
constexpr int kAlignResult = 4;
constexpr int kColorResult = 3;
}  // namespace

CImageButton::CImageButton(const QString& strText, QWidget* pParent)
    : QPushButton(strText, pParent) {
    const QColor buttonText = palette().color(QPalette::ButtonText);
    m_colors = {kPanel, buttonText, kPanel, buttonText, kPanel, buttonText};
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
}

int CImageButton::SetFlat(bool bFlat, bool bRepaint) {
    m_bFlat = bFlat;
    if (!m_bFlat) {
        m_bHover = false;
    }
    if (bRepaint) {
        update();
    }
    return 0;
}

int CImageButton::SetAlign(int nAlign, bool bRepaint) {
    if (nAlign < AlignIconLeft || nAlign > AlignIconCentred) {
        return kAlignResult;
    }
    m_nAlign = nAlign;
    if (bRepaint) {
        update();
    }
    return 0;
}

int CImageButton::SetColor(int nIndex, QColor color, bool bRepaint) {
    if (nIndex < 0 || nIndex >= ColorCount) {
        return kColorResult;
    }
    m_colors[static_cast<size_t>(nIndex)] = color;
    if (bRepaint) {
        update();
    }
    return 0;
}

int CImageButton::SetIcon(int nActiveId, QSize activeSize, int nNormalId, QSize normalSize,
                          int nDisabledId, QSize disabledSize, bool bRepaint) {
    m_icons[IconActive] = LoadImage(nActiveId, activeSize);
    m_icons[IconNormal] = nNormalId != 0 ? LoadImage(nNormalId, normalSize) : QPixmap();
    m_icons[IconDisabled] = nDisabledId != 0 ? LoadImage(nDisabledId, disabledSize) : QPixmap();
    if (bRepaint) {
        update();
    }
    return 0;
}

void CImageButton::SetButtonStyle(EButtonStyle style) {
    setDefault(style == EButtonStyle::DefaultPush);
}

int CImageButton::ShownIcon() const {
    if (m_icons[IconActive].isNull()) {
        return -1;
    }
    if (!isEnabled()) {
        return m_icons[IconDisabled].isNull() ? IconActive : IconDisabled;
    }
    if (isDown() || m_bHover) {
        return IconActive;
    }
    return m_icons[IconNormal].isNull() ? IconActive : IconNormal;
}

QRect CImageButton::IconRect() const {
    const int nIcon = ShownIcon();
    if (nIcon < 0) {
        return QRect();
    }
    const QSize size = m_icons[static_cast<size_t>(nIcon)].deviceIndependentSize().toSize();
    const QRect rcButton = rect();
    const int nCentreX = (rcButton.width() - size.width()) / 2;
    const int nCentreY = (rcButton.height() - size.height()) / 2;
    if (text().isEmpty()) {
        const bool bCentreY =
            m_nAlign == AlignIconLeft || m_nAlign == AlignIconAbove || m_nAlign == AlignIconCentred;
        return QRect(QPoint(nCentreX, bCentreY ? nCentreY : kIconMargin), size);
    }
    switch (m_nAlign) {
        case AlignIconAbove:
            return QRect(QPoint(nCentreX, kIconMargin), size);
        case AlignIconRight:
            return QRect(QPoint(rcButton.width() - kIconMargin - size.width(), nCentreY), size);
        case AlignIconCentred:
            return QRect(QPoint(nCentreX, nCentreY), size);
        default:
            return QRect(QPoint(kIconMargin, nCentreY), size);
    }
}

QRect CImageButton::TextArea(const QRect& rcButton, const QRect& rcIcon) const {
    if (rcIcon.isNull()) {
        return rcButton;
    }
    QRect rcText = rcButton;
    switch (m_nAlign) {
        case AlignIconAbove:
            rcText.setTop(rcIcon.bottom() + 1);
            break;
        case AlignIconRight:
            rcText.setRight(rcIcon.left() - 1 - kIconMargin);
            break;
        case AlignIconCentred:
            break;
        default:
            rcText.setLeft(rcIcon.right() + 1 + kIconMargin);
            break;
    }
    return rcText;
}

void CImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool bPressed = isDown();
    const bool bFocused = hasFocus();
    const bool bDisabled = !isEnabled();
    const bool bActive = m_bHover || bPressed;
    QRect rcButton = rect();

    if (!m_bFlat && (bFocused || isDefault())) {
        painter.setPen(Qt::black);
        painter.drawRect(rcButton.adjusted(0, 0, -1, -1));
        rcButton.adjust(1, 1, -1, -1);
    }

    const QColor back = bActive    ? m_colors[ColorBackActive]
                        : bFocused ? m_colors[ColorBackFocused]
                                   : m_colors[ColorBackNormal];
    painter.fillRect(rcButton, back);

    // Flat buttons show their border only while hovered or pressed.
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QRect rcEdge = rcButton.adjusted(0, 0, -1, -1);
    auto drawEdge = [&](const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(rcEdge.topLeft(), rcEdge.topRight());
        painter.drawLine(rcEdge.topLeft(), rcEdge.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(rcEdge.bottomLeft(), rcEdge.bottomRight());
        painter.drawLine(rcEdge.topRight(), rcEdge.bottomRight());
    };
    if (bPressed) {
        drawEdge(shadow, light);
    } else if (!m_bFlat || m_bHover) {
        drawEdge(light, shadow);
    }

    const QRect rcIcon = IconRect();
    if (const int nIcon = ShownIcon(); nIcon >= 0) {
        painter.drawPixmap(rcIcon.topLeft(), m_icons[static_cast<size_t>(nIcon)]);
    }

    const QString strText = text().left(kMaxTextLength);
    if (!strText.isEmpty()) {
        QRect rcText = TextArea(rect(), rcIcon);
        if (bPressed) {
            rcText.translate(1, 1);
        }
        const int nFlags = Qt::AlignCenter | Qt::TextWordWrap;
        painter.setFont(font());
        if (bDisabled) {
            painter.setPen(palette().color(QPalette::Light));
            painter.drawText(rcText.translated(1, 1), nFlags, strText);
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawText(rcText, nFlags, strText);
        } else {
            painter.setPen(bActive ? m_colors[ColorTextActive] : m_colors[ColorTextNormal]);
            painter.drawText(rcText, nFlags, strText);
        }
    }

    // Flat buttons draw no focus rectangle.
    if (bFocused && !m_bFlat) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CImageButton::TrackHover(bool bTouchHeld) {
    if (!m_bFlat || m_bHover || (bTouchHeld && !m_bHover)) {
        return;
    }
    m_bHover = true;
    update();
}

void CImageButton::EndHover() {
    if (m_bHover) {
        m_bHover = false;
        update();
    }
}

void CImageButton::enterEvent(QEnterEvent* pEvent) {
    TrackHover(pEvent->buttons() != Qt::NoButton);
    QPushButton::enterEvent(pEvent);
}

void CImageButton::mouseMoveEvent(QMouseEvent* pEvent) {
    if (rect().contains(pEvent->position().toPoint())) {
        TrackHover(pEvent->buttons() != Qt::NoButton);
    } else {
        EndHover();
    }
    QPushButton::mouseMoveEvent(pEvent);
}

void CImageButton::leaveEvent(QEvent* pEvent) {
    EndHover();
    QPushButton::leaveEvent(pEvent);
}

void CImageButton::focusOutEvent(QFocusEvent* pEvent) {
    EndHover();
    QPushButton::focusOutEvent(pEvent);
}

void CImageButton::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::EnabledChange && !isEnabled()) {
        EndHover();
    } else if (pEvent->type() == QEvent::ActivationChange && !isActiveWindow()) {
        EndHover();
    }
    QPushButton::changeEvent(pEvent);
}
