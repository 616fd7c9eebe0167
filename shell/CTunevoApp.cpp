#include "shell/CTunevoApp.h"

#include <QMouseEvent>

#include "widgets/ScreenLayout.h"

CTunevoApp::CTunevoApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("tunevo"));
    setApplicationVersion(QStringLiteral("1.1.2"));
    installEventFilter(this);
}

CTunevoApp* CTunevoApp::Instance() {
    return qobject_cast<CTunevoApp*>(QCoreApplication::instance());
}

bool CTunevoApp::eventFilter(QObject* pWatched, QEvent* pEvent) {
    const QEvent::Type type = pEvent->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) &&
        m_bInputLocked.load() && m_pTapArea != nullptr) {
        auto* pWidget = qobject_cast<QWidget*>(pWatched);
        // Only the main window's own surface: the power and poster screens over
        // it stay usable, and the pages check the lock themselves.
        if (pWidget == m_pTapArea) {
            // The layout rectangles are placed in the main window's client area.
            const QPoint point = m_pTapArea->mapFromGlobal(
                static_cast<QMouseEvent*>(pEvent)->globalPosition().toPoint());
            if (!g_rcPoster.Contains(point.x(), point.y())) {
                return true;
            }
        }
    }
    return QApplication::eventFilter(pWatched, pEvent);
}
