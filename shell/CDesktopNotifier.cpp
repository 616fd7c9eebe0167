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
    // Application, id to replace (none), the installed icon, summary, body,
    // actions, hints, expiry (the server's default). Only alarms are told:
    // critical, so a desktop keeps them until they are seen.
    constexpr uchar kUrgencyCritical = 2;
    const QVariantMap hints = {{QStringLiteral("urgency"), QVariant::fromValue(kUrgencyCritical)}};
    call << QStringLiteral("Tunevo") << 0U << QStringLiteral("org.tunevo.Tunevo") << strTitle
         << strText << QStringList() << hints << -1;
    m_connection.send(call);
}
