#include "shell/CScreen_Status.h"

#include <QAccessible>
#include <QPainter>

#include "screens/ScreenPainting.h"
#include "widgets/Accessibility.h"
#include "widgets/ScreenLayout.h"

namespace {
constexpr int kMargin = 10;
constexpr int kFontHeight = 20;
constexpr int kFontHeightSmall = 11;
}  // namespace

CScreen_Status::CScreen_Status(QWidget* pParent) : QWidget(pParent) {
    hide();
    setFont(ScreenFont(g_nScreenLayout == LayoutSmall ? kFontHeightSmall : kFontHeight,
                       QFont::DemiBold));
    SetAccessibleRole(*this, QAccessible::StatusBar);
}

void CScreen_Status::SetText(const QString& strText) {
    if (strText == m_strText) {
        return;
    }
    m_strText = strText;
    AnnounceName(*this, strText);
}

void CScreen_Status::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintPanel(painter, rect(), kMargin);
    painter.setPen(Qt::white);
    painter.drawText(rect().adjusted(2 * kMargin, kMargin, -2 * kMargin, -kMargin),
                     Qt::AlignCenter | Qt::TextWordWrap, m_strText);
}
