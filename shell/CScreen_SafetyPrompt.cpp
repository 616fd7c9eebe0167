#include "shell/CScreen_SafetyPrompt.h"

#include <QAccessible>
#include <algorithm>
#include <QPainter>
#include <QPushButton>

#include "screens/ScreenPainting.h"
#include "widgets/Accessibility.h"
#include "widgets/ScreenLayout.h"

namespace {
constexpr int kMargin = 6;
constexpr int kFontHeight = 15;
constexpr int kFontHeightSmall = 9;
constexpr int kButtonWidth = 120;
constexpr int kButtonWidthSmall = 60;
}  // namespace

CScreen_SafetyPrompt::CScreen_SafetyPrompt(QWidget* pParent) : QWidget(pParent) {
    hide();
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    setFont(ScreenFont(bSmall ? kFontHeightSmall : kFontHeight, QFont::DemiBold));
    SetAccessibleRole(*this, QAccessible::AlertMessage);
    m_pAccept = AddTextButton(*this, {}, font());
    m_pReject = AddTextButton(*this, {}, font());
    connect(m_pAccept, &QPushButton::clicked, this, &CScreen_SafetyPrompt::Accepted);
    connect(m_pReject, &QPushButton::clicked, this, &CScreen_SafetyPrompt::Rejected);
}

void CScreen_SafetyPrompt::Ask(const QString& strText, const QString& strAccept,
                               const QString& strReject) {
    for (auto [pButton, strName] : {std::pair{m_pAccept, strAccept}, {m_pReject, strReject}}) {
        pButton->setText(strName);
        pButton->setAccessibleName(strName);
    }
    m_strText.clear();
    SetText(strText);
    resizeEvent(nullptr);  // the buttons fit their new names
    QAccessibleEvent event(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}

void CScreen_SafetyPrompt::SetText(const QString& strText) {
    if (strText == m_strText) {
        return;
    }
    m_strText = strText;
    AnnounceName(*this, strText);
}

void CScreen_SafetyPrompt::resizeEvent(QResizeEvent*) {
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    const int nHeight = std::min(height() / 3, bSmall ? 20 : 40);
    const int nTop = height() - nHeight - kMargin;
    // Each as wide as its name needs; the second first, the first in what is left.
    const auto widthFor = [&](const QPushButton& button, int nMost) {
        const int nText = button.fontMetrics().horizontalAdvance(button.text()) + 4 * kMargin;
        return std::min(std::max(bSmall ? kButtonWidthSmall : kButtonWidth, nText), nMost);
    };
    const int nReject = widthFor(*m_pReject, (width() - 5 * kMargin) / 2);
    const int nAccept = widthFor(*m_pAccept, width() - 5 * kMargin - nReject);
    m_pReject->setGeometry(width() - kMargin * 2 - nReject, nTop, nReject, nHeight);
    m_pAccept->setGeometry(width() - kMargin * 3 - nReject - nAccept, nTop, nAccept, nHeight);
}

void CScreen_SafetyPrompt::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintPanel(painter, rect(), kMargin / 2);
    painter.setPen(Qt::white);
    painter.drawText(QRect(kMargin * 2, kMargin, width() - kMargin * 4,
                           m_pAccept->y() - kMargin * 2),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_strText);
}
