#include "shell/ScreenLayout.h"

namespace {
constexpr int kSmallWidth = 240;
constexpr int kMediumWidth = 480;
constexpr int kMediumMinHeight = 521;
constexpr int kMediumMaxHeight = 549;
}  // namespace

uint8_t g_nScreenLayout = LayoutLarge;
LayoutRect g_rcPoster{15, 228, 450, 540};
LayoutRect g_rcWaiting{0, 396, 480, 516};

ELayout ChooseLayout(QSize clientSize) {
    if (clientSize.width() == kSmallWidth) {
        return LayoutSmall;
    }
    if (clientSize.width() == kMediumWidth && clientSize.height() >= kMediumMinHeight &&
        clientSize.height() <= kMediumMaxHeight) {
        return LayoutMedium;
    }
    return LayoutLarge;
}
