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
    bool operator==(const LayoutRect&) const = default;
};

// Places in the main window's client area. They hold the large layout's
// values until the main window sets those of its layout.
extern LayoutRect g_rcTabOverClock;
extern LayoutRect g_rcTabMonitor;
// The display setting and profile screens.
extern LayoutRect g_rcSettingsArea;
// The poster screen, which is also where taps still count while the board is locked.
extern LayoutRect g_rcPoster;
extern LayoutRect g_rcLock;
extern LayoutRect g_rcPower;
// Where the over-clock page places its waiting box.
extern LayoutRect g_rcWaiting;

// The layout for a client area of the given size.
ELayout ChooseLayout(QSize clientSize);

// The client size a layout's screens fill.
QSize LayoutClientSize(ELayout nLayout);

// Whether a client area holds all of the content of the layout it chooses.
bool ClientSizeShowsEverything(QSize clientSize);

// Sets the six main-window rectangles to the values of a layout code.
void SetLayoutRects(uint8_t nLayout);

// The window's client size when none is asked for.
inline constexpr QSize kDefaultClientSize(480, 696);
