// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

class QSystemTrayIcon;

namespace tarnquill {

enum class NoticeLevel { Information, Warning };

// Shows a message through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). The call is sent
// without waiting for the service's answer; false when there is no session
// bus to send it on. `bus`: the session bus unless a test gives its own.
bool showDesktopNotification(const QString& summary, const QString& body,
                             NoticeLevel level = NoticeLevel::Information,
                             QDBusConnection bus = QDBusConnection::sessionBus());

// The program's one way of telling the user something: as a message of the
// program's tray icon while it shows one, otherwise through the desktop's
// notification service. notify() may be called from any thread; the message
// is shown from the thread that made the notifier and never waits for the
// service.
class Notifier final : public QObject {
public:
    // `trayIcon` gives the program's tray icon when it shows one, else
    // nullptr; set once the icon's owner exists (none: the service only).
    void setTrayIcon(std::function<QSystemTrayIcon*()> trayIcon);

    void notify(const QString& summary, const QString& body, NoticeLevel level);

private:
    void show(const QString& summary, const QString& body, NoticeLevel level);

    std::function<QSystemTrayIcon*()> m_trayIcon;
};

} // namespace tarnquill
