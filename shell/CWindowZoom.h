#pragma once

#include <QObject>
#include <QSize>
#include <QTimer>
#include <optional>
#include <string>

class CDeviceFrame;

// How large the window is drawn on a desktop: one of the fixed layouts,
// scaled as a whole by a factor in half steps, so the pixel designs stay
// whole and text grows with the window. Ctrl+Plus, Ctrl+Minus and Ctrl+0
// zoom; resizing or maximising the window scales its content to the new
// size; a zoom is kept for the next start when the window fits itself.
// Main thread only.
class CWindowZoom final : public QObject {
public:
    struct Fit {
        QSize client;       // the layout's client size
        double dScale = 1;  // drawn this many times larger
        bool operator==(const Fit&) const = default;
    };

    // Room left for the title bar a window manager adds.
    static constexpr int kTitleBarAllowance = 40;

    // The window (client and strips) of a client size, unscaled.
    static QSize WindowSize(QSize client);
    // The largest half step (1 to 4) at which a window fits an area; 0 when
    // it does not fit even unscaled.
    static double LargestScale(QSize window, QSize area);
    // The layout and scale for an area: the largest layout, unless a smaller
    // one can be drawn half again as large; the small layout only where
    // neither 480-wide one fits.
    static Fit FitArea(QSize area);
    // The largest layout that fits an area at a given scale, if any does.
    static std::optional<Fit> FitAtScale(QSize area, double dScale);

    // Sets the scale for the windows still to be made; before any exists.
    static void ScaleBeforeWindows(double dScale);

    // strKeepIn: the folder whose "window.ini" keeps the zoom; empty when
    // this window's size was asked for and its zoom is not to be kept.
    CWindowZoom(CDeviceFrame& frame, double dScale, std::string strKeepIn);

    double Scale() const { return m_dScale; }
    // By half a step; not past what the screen has room for.
    void ZoomIn();
    void ZoomOut();
    // Back to the scale that fits the screen; no zoom is kept any more.
    void ZoomToFit();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // The screen's free area as it would be unscaled.
    QSize AreaUnscaled() const;
    // Draws everything at a new scale; the window keeps nPhysical pixels'
    // size when given, else takes the device's.
    void SetScale(double dScale, std::optional<QSize> physical = std::nullopt);
    void Keep(double dScale) const;
    void FollowResize();

    CDeviceFrame& m_frame;
    double m_dScale;
    double m_dBase;  // what QT_SCALE_FACTOR asked for, under ours
    std::string m_strKeepIn;
    QTimer m_resizeSettle;
    bool m_bSetting = false;
};
