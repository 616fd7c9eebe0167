#include "shell/CDesktopNotifier.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

void CDesktopNotifier::Notify(const QString& strTitle, const QString& strText) {
    if (!m_connection.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application, id to replace (none), icon, summary, body, actions, hints,
    // expiry (the server's default).
    call << QStringLiteral("Tunevo") << 0U << QStringLiteral("tunevo") << strTitle << strText
         << QStringList() << QVariantMap() << -1;
    m_connection.send(call);
}
