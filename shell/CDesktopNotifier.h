#pragma once

#include <QDBusConnection>
#include <QString>

// Tells the desktop through the freedesktop notification service. Where no
// session bus or no such service runs, nothing happens and nothing is said.
class CDesktopNotifier {
public:
    CDesktopNotifier() : m_connection(QDBusConnection::sessionBus()) {}

    // Another bus than the session's (tests run their own).
    void SetConnection(const QDBusConnection& connection) { m_connection = connection; }

    // Does not wait for the service's answer.
    void Notify(const QString& strTitle, const QString& strText);

private:
    QDBusConnection m_connection;
};
