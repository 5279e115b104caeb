#pragma once

#include "history/StoreWriter.h"

#include <QObject>

#include <functional>

class QSystemTrayIcon;

namespace tarnquill {

// Tells the user when the store cannot be saved (once per failure episode,
// naming the file and the reason) and when saving works again: as a message
// of the program's tray icon while it has one, otherwise through the
// desktop's notification service (org.freedesktop.Notifications). Callable
// from any thread; the message is shown from the UI thread and never waits
// for the service.
class StoreNotifier final : public QObject, public StoreStatusListener {
public:
    // `trayIcon` gives the program's tray icon when it shows one, else nullptr.
    explicit StoreNotifier(std::function<QSystemTrayIcon*()> trayIcon);

    void storeSaveFailed(const std::filesystem::path& file, const std::string& reason) override;
    void storeSaveRecovered(const std::filesystem::path& file) override;

private:
    void show(const QString& title, const QString& body, bool warning);

    std::function<QSystemTrayIcon*()> m_trayIcon;
};

} // namespace tarnquill
