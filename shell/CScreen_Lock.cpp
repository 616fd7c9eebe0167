#include "shell/CScreen_Lock.h"

#include <QPainter>

#include "screens/ScreenPainting.h"
#include "widgets/Images.h"
#include "widgets/ScreenLayout.h"

namespace {
constexpr QSize kBannerSize(480, 114);
constexpr QSize kBannerSizeSmall(240, 114);
}  // namespace

CScreen_Lock::CScreen_Lock(QWidget* pParent) : QWidget(pParent) {
    hide();
    m_banner = g_nScreenLayout == LayoutSmall ? LoadImage(ImageLockBannerSmall, kBannerSizeSmall)
                                              : LoadImage(ImageLockBanner, kBannerSize);
}

void CScreen_Lock::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintPanel(painter, rect(), kMargin);
    painter.drawPixmap(0, 0, m_banner);
}
