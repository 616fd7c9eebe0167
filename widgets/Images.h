#pragma once

#include <QPixmap>
#include <QSize>

// Our images, by the ids the screens know them by. The small layout's ids
// name the same artwork, drawn at its own pixel size.
enum EImageId : int {
    IconApp = 128,
    IconPowerOff = 148,
    IconReset = 151,
    IconClearCmos = 152,
    IconForceShutdown = 153,
    IconPowerOn = 154,
    IconClose = 156,
    IconRadioOff = 157,
    IconRadioOn = 158,
    ImageLockBanner = 167,
    IconForceShutdownSmall = 174,
    ImageLockBannerSmall = 176,
    IconResetSmall = 177,
    IconClearCmosSmall = 178,
    IconPowerOnSmall = 179,
    IconPowerOffSmall = 180,
};

// The image at exactly the given size; an unknown id gives a null pixmap.
QPixmap LoadImage(int nId, QSize size);
