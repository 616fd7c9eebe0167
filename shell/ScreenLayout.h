#pragma once

#include <QRect>
#include <QSize>
#include <cstdint>

// The three screen layouts; every screen takes its fixed pixel positions by it.
enum ELayout : uint8_t {
    LayoutLarge = 1,   // 480 wide: every size that is not one of the others
    LayoutSmall = 2,   // client 240 wide
    LayoutMedium = 3,  // 480 wide, client 521 to 549 high
};

// Set once, by the splash screen, from the window's client size.
extern uint8_t g_nScreenLayout;

// A rectangle as the layouts give them: left, top, right, bottom, with the
// right and bottom edges outside the rectangle.
struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
};

// The poster screen's place, which is also where taps still count while the
// board is locked. Large-layout values until the main window sets its layout.
extern LayoutRect g_rcPoster;
// Where the over-clock page places its waiting box.
extern LayoutRect g_rcWaiting;

// The layout for a client area of the given size.
ELayout ChooseLayout(QSize clientSize);

// The window's client size when none is asked for.
inline constexpr QSize kDefaultClientSize(480, 696);
