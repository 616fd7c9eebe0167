// The window's size on a desktop: the layout and scale chosen for a screen,
// the zoom keys, a resize that scales the content, and the zoom kept.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWindow>

#include "data/CWindowSettings.h"
#include "shell/CDeviceFrame.h"
#include "shell/CWindowZoom.h"
#include "tests/support/TempDir.h"
#include "widgets/ScreenLayout.h"

namespace {

// The free area of common screens under a 32-pixel desktop panel, less the
// window manager's title bar.
QSize AreaOf(int nWidth, int nHeight) {
    return {nWidth, nHeight - 32 - CWindowZoom::kTitleBarAllowance};
}

TEST(WindowFit, EachScreenGetsTheLargestLayoutDrawnAsLargeAsItHasRoomFor) {
    const struct {
        QSize area;
        QSize client;
        double dScale;
        QSize window;  // on the screen, in its pixels
    } fits[] = {
        {AreaOf(800, 480), {240, 268}, 1.0, {240, 316}},
        {AreaOf(1024, 600), {240, 268}, 1.5, {360, 474}},
        {AreaOf(1366, 768), {480, 536}, 1.0, {480, 608}},
        // Text half again as large is worth the medium layout's fewer rows.
        {AreaOf(1920, 1080), {480, 536}, 1.5, {720, 912}},
        // The medium at 3 is not half again as large as the large at 2.5.
        {AreaOf(3840, 2160), {480, 696}, 2.5, {1200, 1920}},
        {{480, 768}, {480, 696}, 1.0, {480, 768}},
        {{100, 100}, {240, 268}, 1.0, {240, 316}},
    };
    for (const auto& fit : fits) {
        const CWindowZoom::Fit chosen = CWindowZoom::FitArea(fit.area);
        EXPECT_EQ(chosen, (CWindowZoom::Fit{fit.client, fit.dScale})) << fit.area.width();
        EXPECT_EQ(CWindowZoom::WindowSize(chosen.client) * chosen.dScale, fit.window);
    }
    // A kept zoom takes the largest layout that has room at it, or none.
    EXPECT_EQ(CWindowZoom::FitAtScale(AreaOf(1920, 1080), 1.0),
              (CWindowZoom::Fit{{480, 696}, 1.0}));
    EXPECT_EQ(CWindowZoom::FitAtScale(AreaOf(1920, 1080), 2.0),
              (CWindowZoom::Fit{{240, 268}, 2.0}));
    EXPECT_FALSE(CWindowZoom::FitAtScale(AreaOf(800, 480), 1.5).has_value());
}

TEST(WindowFit, OnlyTheZoomKeysStepsAreReadBackFromTheFile) {
    TempDir folder;
    for (const double dScale : {1.0, 1.5, 4.0, 0.0}) {
        std::string strWhy;
        ASSERT_TRUE(WindowSettings{dScale}.Save(strWhy, folder.Path())) << strWhy;
        EXPECT_EQ(WindowSettings::Load(folder.Path()).dScale, dScale);
    }
    for (const char* pszScale : {"1.3", "0.5", "4.5", "nan", "inf", "2x", "", "-1"}) {
        folder.WriteFile("window.ini", std::string("[Window]\nScale=") + pszScale + "\n");
        EXPECT_EQ(WindowSettings::Load(folder.Path()).dScale, 0) << pszScale;
    }
}

// A small window on the offscreen screen (800 x 800), which has room for
// it up to twice its size.
class WindowZoomTest : public ::testing::Test {
protected:
    WindowZoomTest() : m_frame(LayoutClientSize(LayoutSmall)) {
        m_pZoom = new CWindowZoom(m_frame, 1, m_folder.Path());
        m_frame.show();
        QApplication::setActiveWindow(&m_frame);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&m_frame));
    }
    ~WindowZoomTest() override { CWindowZoom::ScaleBeforeWindows(1); }

    void Press(Qt::Key nKey) { QTest::keyClick(&m_frame, nKey, Qt::ControlModifier); }
    double Kept() const { return WindowSettings::Load(m_folder.Path()).dScale; }
    double DrawnScale() const { return m_frame.windowHandle()->devicePixelRatio(); }

    TempDir m_folder;
    CDeviceFrame m_frame;
    CWindowZoom* m_pZoom = nullptr;
};

TEST_F(WindowZoomTest, ZoomKeysScaleTheWholeWindowWithinTheScreenAndAreKept) {
    const QSize device = m_frame.DeviceSize();
    Press(Qt::Key_Plus);
    Press(Qt::Key_Equal);
    EXPECT_EQ(m_pZoom->Scale(), 2.0);
    EXPECT_EQ(DrawnScale(), 2.0);
    EXPECT_EQ(m_frame.size(), device) << "the layout itself is unchanged";
    EXPECT_EQ(m_frame.grab().size(), device * 2) << "every pixel drawn twice as large";
    EXPECT_EQ(Kept(), 2.0);

    Press(Qt::Key_Plus);  // 2.5 times 316 is more than the screen's 760
    EXPECT_EQ(m_pZoom->Scale(), 2.0);

    Press(Qt::Key_Minus);
    EXPECT_EQ(DrawnScale(), 1.5);
    EXPECT_EQ(Kept(), 1.5);

    // Ctrl+0 fits the screen again and keeps no zoom, so the next start fits too.
    Press(Qt::Key_0);
    EXPECT_EQ(m_pZoom->Scale(), 2.0);
    EXPECT_EQ(Kept(), 0);
}

TEST_F(WindowZoomTest, AResizedWindowDrawsItsContentAtTheScaleThatFitsIt) {
    const QSize device = m_frame.DeviceSize();
    // The user drags the window to twice the device's size, then back down
    // to a size the device fits only unscaled.
    m_frame.resize(device * 2 + QSize(30, 10));
    QTRY_COMPARE(m_pZoom->Scale(), 2.0);
    EXPECT_EQ(m_frame.size() * 2, device * 2 + QSize(30, 10)) << "the size the user chose stays";
    EXPECT_EQ(Kept(), 2.0);
    m_frame.resize(device.width() / 2 + 60, device.height() / 2 + 60);
    QTRY_COMPARE(m_pZoom->Scale(), 1.0);
    EXPECT_EQ(m_frame.size(), device + QSize(120, 120));
}

}  // namespace
