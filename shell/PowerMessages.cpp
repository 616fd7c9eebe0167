#include "shell/PowerMessages.h"

#include "link/ILinkListener.h"
#include "screens/ScreenPainting.h"

QString PowerResultMessage(int nDetail) {
    switch (nDetail) {
        case ILinkListener::kPowerRefused:
            return LocaleText(u"STR_CLEARCMOS_MSG");
        case ILinkListener::kPowerUnconfirmed:
            return LocaleText(u"STR_POWER_UNCONFIRMED_MSG");
        case ILinkListener::kPowerUnconfirmedNowOn:
            return LocaleText(u"STR_POWER_UNCONFIRMED_ON_MSG");
        case ILinkListener::kPowerUnconfirmedNowOff:
            return LocaleText(u"STR_POWER_UNCONFIRMED_OFF_MSG");
        default:
            return LocaleText(u"STR_POWER_ERROR_MSG");
    }
}
