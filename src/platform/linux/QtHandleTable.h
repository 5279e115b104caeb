// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Types.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <unordered_map>

namespace tarnquill {

// The window and icon handles of the program's own Qt objects, as the Win32
// seam passes them: 32-bit integers that LinuxWin32Api resolves back to a
// widget, an icon or a window's message handler.
//
// A top-level window's handle is its X window id, which the X protocol keeps
// within 29 bits, so the handle is the same number other X clients (xdotool,
// a window manager) see. A child control has no X window of its own (Qt draws
// it into its top-level window) and an icon is no window at all; both get
// numbers of the table's own from 0x40000000 up, which no X id reaches.
//
// Lives on the user-interface thread; not thread-safe.
class QtHandleTable final {
public:
    // A window's mouse-move handler: the key-state word of the message
    // (wParam: MK_LBUTTON 1, MK_RBUTTON 2, MK_SHIFT 4, MK_CONTROL 8,
    // MK_MBUTTON 0x10) and the position in pixels within the window.
    using MouseMove = std::function<void(WPARAM keys, int x, int y)>;

    QtHandleTable() = default;
    QtHandleTable(const QtHandleTable&) = delete;
    QtHandleTable& operator=(const QtHandleTable&) = delete;

    // Registers a window or control, with the handler that WM_MOUSEMOVE sent
    // to it reaches (none: such messages are dropped). Registering the same
    // widget again returns its handle and replaces the handler.
    HWND addWindow(QWidget& widget, MouseMove onMouseMove = {});
    HICON addIcon(const QIcon& icon);
    // Registers something to paint into (an image, a pixmap) as a device
    // context; the caller keeps it alive while the handle is in use.
    HDC addPaintTarget(QPaintDevice& device);

    // The widget of a handle; nullptr for an unknown handle or a widget that
    // has been destroyed since.
    QWidget* widget(HWND handle) const;
    // The icon of a handle; a null QIcon for an unknown one.
    QIcon icon(HICON handle) const;
    // The paint target of a device context; nullptr for an unknown one.
    QPaintDevice* paintTarget(HDC handle) const;

    // Delivers a message to a window, as the system's SendMessage would. Only
    // WM_MOUSEMOVE has a receiver here: its lParam carries x in the low and y
    // in the high 16 bits, each signed. Returns false when the window or a
    // handler for the message is missing.
    bool sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    struct WindowEntry {
        QPointer<QWidget> widget;
        MouseMove onMouseMove;
    };

    std::int32_t nextOwnHandle();

    std::unordered_map<HWND, WindowEntry> m_windows;
    std::unordered_map<HICON, QIcon> m_icons;
    std::unordered_map<HDC, QPaintDevice*> m_paintTargets;
    std::int32_t m_lastOwnHandle = kFirstOwnHandle - 1;

    static constexpr std::int32_t kFirstOwnHandle = 0x40000000;
};

} // namespace tarnquill
