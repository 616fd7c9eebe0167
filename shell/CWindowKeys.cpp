#include "shell/CWindowKeys.h"

#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <array>
#include <functional>

#include "screens/CSubScreen_Monitor.h"
#include "shell/CDeviceFrame.h"
#include "shell/CSoftKeyBar.h"
#include "shell/CTunevoDlg.h"

CWindowKeys::CWindowKeys(CTunevoDlg& dlg) : QObject(&dlg), m_dlg(dlg) {
    auto onKeys = [this](std::initializer_list<QKeySequence> keys,
                         const std::function<void()>& action) {
        for (const QKeySequence& key : keys) {
            connect(new QShortcut(key, &m_dlg), &QShortcut::activated, this, action);
        }
    };
    onKeys({QKeySequence(Qt::Key_Escape)}, [this] { m_dlg.CloseOpenScreen(); });
    onKeys({QKeySequence(Qt::Key_F10), QKeySequence(Qt::Key_Menu)}, [this] { OpenSoftKeyMenu(); });
    onKeys({QKeySequence(Qt::CTRL | Qt::Key_Tab)}, [this] { StepTab(1); });
    onKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
           [this] { StepTab(-1); });
}

void CWindowKeys::OpenSoftKeyMenu() {
    CSoftKeyBar* pBar = m_dlg.Frame().SoftKeyBar();
    if (pBar == nullptr || !pBar->IsSoftkeyEnabled(0)) {
        return;
    }
    // Above the menu key, as its tap opens it, without waiting for a choice.
    QMenu& menu = *pBar->Menu();
    const QWidget& key = *pBar->Key(0);
    menu.popup(key.mapToGlobal(QPoint(0, -menu.sizeHint().height())));
}

void CWindowKeys::StepTab(int nStep) {
    // The over-clock page, then the monitor's categories as their tabs read.
    constexpr std::array<int, 5> kStops = {
        -1, CSubScreen_Monitor::kCategoryFan, CSubScreen_Monitor::kCategoryFreq,
        CSubScreen_Monitor::kCategoryVolt, CSubScreen_Monitor::kCategoryTemp};
    constexpr int kCount = static_cast<int>(kStops.size());
    if (m_dlg.IsBoardLocked() || m_dlg.IsReconnecting() || m_dlg.IsOverlayOpen()) {
        return;
    }
    CSubScreen_Monitor& monitor = m_dlg.MonitorPage();
    const auto it = std::ranges::find(kStops, monitor.Category());
    const bool bOverClock = m_dlg.Page() == CTunevoDlg::kPageOverClock;
    const int nNow = bOverClock ? 0 : static_cast<int>(it - kStops.begin());
    const int nNext = (nNow + nStep + kCount) % kCount;
    if (nNext == 0) {
        m_dlg.ShowPage(CTunevoDlg::kPageOverClock);
        return;
    }
    if (m_dlg.Page() != CTunevoDlg::kPageMonitor) {
        m_dlg.ShowPage(CTunevoDlg::kPageMonitor);
    }
    monitor.ShowCategory(kStops[static_cast<size_t>(nNext)]);
}
