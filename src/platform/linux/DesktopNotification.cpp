#include "platform/linux/DesktopNotification.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace tarnquill {

bool showDesktopNotification(const QString& summary, const QString& body, QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("Notify"));
    // Application name, id to replace (none), icon, summary, body, actions,
    // hints, expiry (the server's default).
    call << QStringLiteral("Tarnquill") << 0u << QString() << summary << body << QStringList() << QVariantMap()
         << -1;
    return bus.send(call);
}

} // namespace tarnquill
