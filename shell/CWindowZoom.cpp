#include "shell/CWindowZoom.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <private/qhighdpiscaling_p.h>

#include "data/CWindowSettings.h"
#include "shell/CDeviceFrame.h"
#include "widgets/ScreenLayout.h"

namespace {

constexpr int kResizeSettleMs = 150;

// What QT_SCALE_FACTOR asked for: ours is drawn on top of it.
double BaseFactor() {
    bool bOk = false;
    const double dFactor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&bOk);
    return bOk && std::isfinite(dFactor) && dFactor > 0 ? dFactor : 1.0;
}

QtMessageHandler g_previousHandler = nullptr;

// Qt warns that windows already exist; every one of ours is given its size
// anew right after, which is what the warning is about.
void DropScalingNotice(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(u"QHighDpiScaling::setFactor")) {
        return;
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

void SetGlobalFactor(double dFactor) {
    g_previousHandler = qInstallMessageHandler(DropScalingNotice);
    QHighDpiScaling::setGlobalFactor(dFactor);
    qInstallMessageHandler(g_previousHandler);
}

QSize Scaled(QSize size, double dScale) {
    return {static_cast<int>(std::lround(size.width() * dScale)),
            static_cast<int>(std::lround(size.height() * dScale))};
}

}  // namespace

QSize CWindowZoom::WindowSize(QSize client) {
    return client + QSize(0, 2 * CDeviceFrame::StripHeight(client.width()));
}

double CWindowZoom::LargestScale(QSize window, QSize area) {
    if (window.isEmpty()) {
        return 0;
    }
    const double dRoom = std::min(static_cast<double>(area.width()) / window.width(),
                                  static_cast<double>(area.height()) / window.height());
    const double dScale = std::floor(dRoom * 2) / 2;
    return dScale < WindowSettings::kLeastScale ? 0 : std::min(dScale, WindowSettings::kMostScale);
}

CWindowZoom::Fit CWindowZoom::FitArea(QSize area) {
    std::optional<Fit> best;
    for (ELayout nLayout : {LayoutLarge, LayoutMedium}) {
        const QSize client = LayoutClientSize(nLayout);
        const double dScale = LargestScale(WindowSize(client), area);
        // Fewer rows are worth it only for text half again as large.
        if (dScale > 0 && (!best || dScale >= best->dScale * 1.5)) {
            best = Fit{client, dScale};
        }
    }
    if (best) {
        return *best;
    }
    const QSize small = LayoutClientSize(LayoutSmall);
    return {small, std::max(1.0, LargestScale(WindowSize(small), area))};
}

std::optional<CWindowZoom::Fit> CWindowZoom::FitAtScale(QSize area, double dScale) {
    for (ELayout nLayout : {LayoutLarge, LayoutMedium, LayoutSmall}) {
        const QSize client = LayoutClientSize(nLayout);
        if (LargestScale(WindowSize(client), area) >= dScale) {
            return Fit{client, dScale};
        }
    }
    return std::nullopt;
}

void CWindowZoom::ScaleBeforeWindows(double dScale) {
    SetGlobalFactor(BaseFactor() * dScale);
}

CWindowZoom::CWindowZoom(CDeviceFrame& frame, double dScale, std::string strKeepIn)
    : QObject(&frame),
      m_frame(frame),
      m_dScale(dScale),
      m_dBase(BaseFactor()),
      m_strKeepIn(std::move(strKeepIn)) {
    auto onKeys = [this](std::initializer_list<QKeySequence> keys, void (CWindowZoom::*action)()) {
        for (const QKeySequence& key : keys) {
            connect(new QShortcut(key, &m_frame), &QShortcut::activated, this, action);
        }
    };
    // Ctrl+= too: the plus sign needs Shift on most keyboards.
    onKeys({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}, &CWindowZoom::ZoomIn);
    onKeys({QKeySequence::ZoomOut}, &CWindowZoom::ZoomOut);
    onKeys({QKeySequence(Qt::CTRL | Qt::Key_0)}, &CWindowZoom::ZoomToFit);
    m_resizeSettle.setSingleShot(true);
    m_resizeSettle.setInterval(kResizeSettleMs);
    connect(&m_resizeSettle, &QTimer::timeout, this, &CWindowZoom::FollowResize);
    m_frame.installEventFilter(this);
    m_frame.AllowResize(m_dScale);
}

void CWindowZoom::ZoomIn() {
    const double dScale = m_dScale + 0.5;
    if (LargestScale(m_frame.DeviceSize(), AreaUnscaled()) < dScale) {
        QApplication::beep();
        return;
    }
    SetScale(dScale);
    Keep(dScale);
}

void CWindowZoom::ZoomOut() {
    if (m_dScale <= WindowSettings::kLeastScale) {
        QApplication::beep();
        return;
    }
    SetScale(m_dScale - 0.5);
    Keep(m_dScale);
}

void CWindowZoom::ZoomToFit() {
    SetScale(std::max(1.0, LargestScale(m_frame.DeviceSize(), AreaUnscaled())));
    Keep(0);
}

bool CWindowZoom::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == &m_frame && pEvent->type() == QEvent::Resize && !m_bSetting) {
        m_resizeSettle.start();
    }
    return false;
}

QSize CWindowZoom::AreaUnscaled() const {
    const QScreen* pScreen = m_frame.screen();
    const QSize available = pScreen != nullptr ? pScreen->availableSize() : m_frame.size();
    const bool bFramed = !m_frame.isFullScreen();
    return Scaled(available, m_dScale) - QSize(0, bFramed ? kTitleBarAllowance : 0);
}

void CWindowZoom::SetScale(double dScale, std::optional<QSize> physical) {
    if (dScale == m_dScale && !physical) {
        return;
    }
    const bool bSizedByUser =
        m_frame.isFullScreen() || m_frame.isMaximized() || physical.has_value();
    const QSize windowPixels = physical.value_or(Scaled(m_frame.size(), m_dScale));
    m_bSetting = true;
    SetGlobalFactor(m_dBase * dScale);
    m_dScale = dScale;
    m_frame.AllowResize(dScale);
    // Qt gives the windows that exist no new size: ours gets one, the size
    // the user gave it or else the device's at the new scale.
    const QSize size = bSizedByUser ? Scaled(windowPixels, 1 / dScale) : m_frame.DeviceSize();
    if (m_frame.size() == size) {
        m_frame.resize(size + QSize(1, 1));
    }
    m_frame.resize(size);
    m_bSetting = false;
}

void CWindowZoom::FollowResize() {
    const QSize windowPixels = Scaled(m_frame.size(), m_dScale);
    const double dScale = std::max(1.0, LargestScale(m_frame.DeviceSize(), windowPixels));
    if (dScale != m_dScale) {
        SetScale(dScale, windowPixels);
        Keep(dScale);
    }
}

void CWindowZoom::Keep(double dScale) const {
    if (m_strKeepIn.empty()) {
        return;
    }
    std::string strWhy;
    if (!WindowSettings{dScale}.Save(strWhy, m_strKeepIn)) {
        std::fprintf(stderr, "tunevo: the window's zoom cannot be kept: %s\n", strWhy.c_str());
    }
}
