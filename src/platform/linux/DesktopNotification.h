#pragma once

#include <QDBusConnection>
#include <QString>

namespace tarnquill {

// Shows a message through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). The call is sent
// without waiting for the service's answer; false when there is no session
// bus to send it on. `bus`: the session bus unless a test gives its own.
bool showDesktopNotification(const QString& summary, const QString& body,
                             QDBusConnection bus = QDBusConnection::sessionBus());

} // namespace tarnquill
