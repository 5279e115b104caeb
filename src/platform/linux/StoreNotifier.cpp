#include "platform/linux/StoreNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QMetaObject>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace tarnquill {

StoreNotifier::StoreNotifier(std::function<QSystemTrayIcon*()> trayIcon)
    : m_trayIcon(std::move(trayIcon))
{
}

void StoreNotifier::storeSaveFailed(const std::filesystem::path& file, const std::string& reason)
{
    const QString body = QStringLiteral("%1 cannot be written: %2. The history is kept in memory and saved "
                                        "again with the next copy and at exit.")
                             .arg(QString::fromStdString(file.string()), QString::fromStdString(reason));
    QMetaObject::invokeMethod(this, [this, body] { show(QStringLiteral("Tarnquill cannot save its history"), body, true); },
                              Qt::QueuedConnection);
}

void StoreNotifier::storeSaveRecovered(const std::filesystem::path& file)
{
    const QString body = QStringLiteral("%1 is saved again; nothing was lost.").arg(QString::fromStdString(file.string()));
    QMetaObject::invokeMethod(this, [this, body] { show(QStringLiteral("Tarnquill saves its history again"), body, false); },
                              Qt::QueuedConnection);
}

void StoreNotifier::show(const QString& title, const QString& body, bool warning)
{
    if (QSystemTrayIcon* icon = m_trayIcon ? m_trayIcon() : nullptr; icon && icon->isVisible()) {
        icon->showMessage(title, body, warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
        return;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(warning ? 2 : 1));
    notify << QStringLiteral("Tarnquill") << 0u << QStringLiteral("dialog-warning") << title << body << QStringList()
           << hints << -1;
    // Not waited for: a missing or hung service must not hold up the window.
    QDBusConnection::sessionBus().asyncCall(notify);
}

} // namespace tarnquill
