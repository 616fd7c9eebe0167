#include "shell/CTunevoApp.h"

#include <QMouseEvent>

#include "shell/ScreenLayout.h"

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
        m_bInputLocked.load()) {
        // Window coordinates: the layout rectangles are placed in the window.
        const QPoint point = static_cast<QMouseEvent*>(pEvent)->scenePosition().toPoint();
        if (!g_rcPoster.Contains(point.x(), point.y())) {
            return true;
        }
    }
    return QApplication::eventFilter(pWatched, pEvent);
}
