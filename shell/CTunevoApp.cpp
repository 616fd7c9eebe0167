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
        if (pWidget != nullptr && (pWidget == m_pTapArea || m_pTapArea->isAncestorOf(pWidget))) {
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
