// SPDX-License-Identifier: MIT
#include "platform/linux/DesktopNotification.h"

#include <QDBusMessage>
#include <QMetaObject>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace tarnquill {

bool showDesktopNotification(const QString& summary, const QString& body, NoticeLevel level, QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("Notify"));
    const bool warning = level == NoticeLevel::Warning;
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(warning ? 2 : 1));
    // Application name, id to replace (none), icon, summary, body, actions,
    // hints, expiry (the server's default).
    call << QStringLiteral("Tarnquill") << 0u << (warning ? QStringLiteral("dialog-warning") : QString()) << summary
         << body << QStringList() << hints << -1;
    return bus.send(call);
}

void Notifier::setTrayIcon(std::function<QSystemTrayIcon*()> trayIcon)
{
    m_trayIcon = std::move(trayIcon);
}

void Notifier::notify(const QString& summary, const QString& body, NoticeLevel level)
{
    QMetaObject::invokeMethod(this, [this, summary, body, level] { show(summary, body, level); },
                              Qt::QueuedConnection);
}

void Notifier::show(const QString& summary, const QString& body, NoticeLevel level)
{
    if (QSystemTrayIcon* icon = m_trayIcon ? m_trayIcon() : nullptr; icon && icon->isVisible()) {
        icon->showMessage(summary, body,
                          level == NoticeLevel::Warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
        return;
    }
    showDesktopNotification(summary, body, level);
}

} // namespace tarnquill
