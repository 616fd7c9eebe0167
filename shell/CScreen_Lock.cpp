#include "shell/CScreen_Lock.h"

#include <QPainter>

#include "screens/ScreenPainting.h"
#include "widgets/Accessibility.h"
#include "widgets/Images.h"
#include "widgets/ScreenLayout.h"

namespace {
constexpr QSize kBannerSize(480, 114);
constexpr QSize kBannerSizeSmall(240, 114);
constexpr int kFontHeight = 20;
constexpr int kFontHeightSmall = 10;
}  // namespace

CScreen_Lock::CScreen_Lock(QWidget* pParent) : QWidget(pParent) {
    hide();
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    m_banner = bSmall ? LoadImage(ImageLockBannerSmall, kBannerSizeSmall)
                      : LoadImage(ImageLockBanner, kBannerSize);
    // Right of the padlock, inside the banner's panel.
    m_rcText = bSmall ? QRect(44, 6, 188, 45) : QRect(96, 14, 366, 86);
    setFont(ScreenFont(bSmall ? kFontHeightSmall : kFontHeight, QFont::DemiBold));
    m_strText = LocaleText(u"STR_LOCKED_BANNER");
    setAccessibleName(m_strText);
    SetAccessibleRole(*this, QAccessible::StatusBar);
}

void CScreen_Lock::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintPanel(painter, rect(), kMargin);
    painter.drawPixmap(0, 0, m_banner);
    painter.setPen(Qt::white);
    painter.drawText(m_rcText, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_strText);
}
