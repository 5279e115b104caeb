// SPDX-License-Identifier: MIT
// The notification area: one QSystemTrayIcon per (window, id), and its clicks
// delivered to the callback window as the shell delivers them.

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"

#include <QApplication>
#include <QPixmap>
#include <QString>
#include <QSystemTrayIcon>

namespace tarnquill {

namespace {

// The system's truth values (Win32Types.h leaves them to windows.h).
constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// The mouse message the Windows shell reports for what Qt tells of a click.
// Qt reports one activation per click where the shell reports a down and an
// up; the handlers of the program act on the releases.
std::optional<UINT> mouseMessageOf(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return WM_LBUTTONUP;
    case QSystemTrayIcon::DoubleClick:
        return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context:
        return WM_RBUTTONUP;
    case QSystemTrayIcon::MiddleClick:
        return WM_MBUTTONUP;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return std::nullopt;
}

// What the shell shows for a record without a usable icon: an empty slot.
// Qt refuses to show a tray icon without an image, so a transparent one.
QIcon blankIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace

QSystemTrayIcon* LinuxWin32Api::trayIcon(HWND hWnd, UINT uID) const
{
    const auto it = m_tray.find({hWnd, uID});
    return it == m_tray.end() ? nullptr : it->second.icon;
}

void LinuxWin32Api::applyTrayRecord(TrayEntry& entry, const NotifyIconDataA& data)
{
    // Only the fields the flags name are read, on an add as on a change.
    if (data.uFlags & NIF_MESSAGE)
        entry.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) {
        const QIcon icon = m_handles.icon(data.hIcon);
        entry.icon->setIcon(icon.isNull() ? blankIcon() : icon);
    }
    if (data.uFlags & NIF_TIP) {
        const std::string_view tip = data.tip();
        entry.icon->setToolTip(QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())));
    }
}

BOOL LinuxWin32Api::Shell_NotifyIconA(DWORD dwMessage, const NotifyIconDataA& data)
{
    const TrayKey key{data.hWnd, data.uID};
    const auto existing = m_tray.find(key);
    switch (dwMessage) {
    case NIM_ADD: {
        // QSystemTrayIcon is a Qt Widgets class.
        if (existing != m_tray.end() || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
            return FALSE;
        TrayEntry entry;
        entry.icon = new QSystemTrayIcon;
        entry.icon->setIcon(blankIcon());
        QObject::connect(entry.icon, &QSystemTrayIcon::activated, entry.icon,
                         [this, key](QSystemTrayIcon::ActivationReason reason) {
                             if (const auto message = mouseMessageOf(reason))
                                 deliverTrayClick(key, *message);
                         });
        applyTrayRecord(entry, data);
        // Shown at once when a tray host runs; otherwise Qt docks the icon
        // as soon as one starts, so the add itself succeeds either way.
        entry.icon->show();
        m_tray.emplace(key, entry);
        return TRUE;
    }
    case NIM_MODIFY:
        if (existing == m_tray.end())
            return FALSE;
        applyTrayRecord(existing->second, data);
        return TRUE;
    case NIM_DELETE:
        if (existing == m_tray.end())
            return FALSE;
        existing->second.icon->hide();
        existing->second.icon->deleteLater();
        m_tray.erase(existing);
        return TRUE;
    default:
        return FALSE;
    }
}

void LinuxWin32Api::deliverTrayClick(const TrayKey& key, UINT mouseMessage)
{
    const auto it = m_tray.find(key);
    if (it == m_tray.end() || !it->second.callbackMessage)
        return;
    // As the shell sends it: the icon's id as wParam, the mouse message as
    // lParam, whose high word (the y of a mouse-move) is 0.
    m_handles.sendMessage(key.first, *it->second.callbackMessage, static_cast<WPARAM>(key.second),
                          static_cast<LPARAM>(mouseMessage));
}

} // namespace tarnquill
