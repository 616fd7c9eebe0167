#include "widgets/ScreenLayout.h"

namespace {
constexpr int kSmallWidth = 240;
constexpr int kMediumWidth = 480;
constexpr int kMediumMinHeight = 521;
constexpr int kMediumMaxHeight = 549;

struct LayoutRects {
    LayoutRect rcTabOverClock;
    LayoutRect rcTabMonitor;
    LayoutRect rcSettingsArea;
    LayoutRect rcPoster;
    LayoutRect rcLock;
    LayoutRect rcPower;
};

constexpr LayoutRects kLargeRects{{0, 0, 240, 40},     {240, 0, 480, 40},  {15, 28, 450, 640},
                                  {15, 228, 450, 540}, {0, 582, 480, 696}, {10, 198, 460, 540}};
constexpr LayoutRects kSmallRects{{0, 0, 120, 20},    {120, 0, 240, 20},  {15, 9, 220, 250},
                                  {20, 59, 215, 250}, {0, 211, 240, 268}, {20, 39, 215, 250}};
constexpr LayoutRects kMediumRects{{0, 0, 240, 40},     {240, 0, 480, 40},  {15, 28, 450, 480},
                                   {15, 178, 450, 480}, {0, 422, 480, 536}, {10, 148, 460, 480}};
}  // namespace

uint8_t g_nScreenLayout = LayoutLarge;
LayoutRect g_rcTabOverClock = kLargeRects.rcTabOverClock;
LayoutRect g_rcTabMonitor = kLargeRects.rcTabMonitor;
LayoutRect g_rcSettingsArea = kLargeRects.rcSettingsArea;
LayoutRect g_rcPoster = kLargeRects.rcPoster;
LayoutRect g_rcLock = kLargeRects.rcLock;
LayoutRect g_rcPower = kLargeRects.rcPower;
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

QSize LayoutClientSize(ELayout nLayout) {
    constexpr QSize kSmall(240, 268);
    constexpr QSize kMedium(480, 536);
    return nLayout == LayoutSmall ? kSmall : nLayout == LayoutMedium ? kMedium : kDefaultClientSize;
}

bool ClientSizeShowsEverything(QSize clientSize) {
    const QSize needed = LayoutClientSize(ChooseLayout(clientSize));
    return clientSize.width() >= needed.width() && clientSize.height() >= needed.height();
}

void SetLayoutRects(uint8_t nLayout) {
    const LayoutRects& rects = nLayout == LayoutSmall    ? kSmallRects
                               : nLayout == LayoutMedium ? kMediumRects
                                                         : kLargeRects;
    g_rcTabOverClock = rects.rcTabOverClock;
    g_rcTabMonitor = rects.rcTabMonitor;
    g_rcSettingsArea = rects.rcSettingsArea;
    g_rcPoster = rects.rcPoster;
    g_rcLock = rects.rcLock;
    g_rcPower = rects.rcPower;
}
