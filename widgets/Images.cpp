#include "widgets/Images.h"

#include "widgets/SvgImage.h"

namespace {

const char* ResourceOf(int nId) {
    switch (nId) {
        case IconApp:
            return ":/images/app.svg";
        case IconPowerOff:
        case IconPowerOffSmall:
            return ":/images/power_off.svg";
        case IconReset:
        case IconResetSmall:
            return ":/images/reset.svg";
        case IconClearCmos:
        case IconClearCmosSmall:
            return ":/images/clear_cmos.svg";
        case IconForceShutdown:
        case IconForceShutdownSmall:
            return ":/images/force_shutdown.svg";
        case IconPowerOn:
        case IconPowerOnSmall:
            return ":/images/power_on.svg";
        case IconClose:
            return ":/images/close.svg";
        case IconRadioOff:
            return ":/images/radio_off.svg";
        case IconRadioOn:
            return ":/images/radio_on.svg";
        case ImageLockBanner:
            return ":/images/lock_banner.svg";
        case ImageLockBannerSmall:
            return ":/images/lock_banner_small.svg";
        default:
            return nullptr;
    }
}

}  // namespace

QPixmap LoadImage(int nId, QSize size) {
    const char* pszResource = ResourceOf(nId);
    if (pszResource == nullptr) {
        return QPixmap();
    }
    return RenderSvg(QString::fromLatin1(pszResource), size);
}
