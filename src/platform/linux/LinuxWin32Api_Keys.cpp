// SPDX-License-Identifier: MIT
// Synthesised keys: keybd_event through the X server's XTest extension.

#include "platform/linux/LinuxWin32Api.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <vector>

namespace tarnquill {

namespace {

// The X key symbol of a Windows virtual key; NoSymbol for those without one
// here. The Windows key is Super, so the desktop's own Super shortcuts answer.
KeySym keySymOf(BYTE vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9')
        return XK_0 + (vk - '0');
    if (vk >= 0x70 && vk <= 0x87)
        return XK_F1 + (vk - 0x70);
    switch (vk) {
    case 0x08: return XK_BackSpace;
    case 0x09: return XK_Tab;
    case 0x0D: return XK_Return;
    case 0x10: return XK_Shift_L;
    case 0x11: return XK_Control_L;
    case 0x12: return XK_Alt_L;
    case 0x1B: return XK_Escape;
    case 0x20: return XK_space;
    case 0x25: return XK_Left;
    case 0x26: return XK_Up;
    case 0x27: return XK_Right;
    case 0x28: return XK_Down;
    case 0x2E: return XK_Delete;
    case VK_LWIN: return XK_Super_L;
    case 0x5C: return XK_Super_R;
    default: return NoSymbol;
    }
}

Display* x11Display()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

} // namespace

void LinuxWin32Api::keybd_event(BYTE bVk, BYTE, DWORD dwFlags, DWORD)
{
    Display* display = x11Display();
    const KeySym symbol = keySymOf(bVk);
    if (display == nullptr || symbol == NoSymbol)
        return;
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (code == 0)
        return;
    const bool up = (dwFlags & KEYEVENTF_KEYUP) != 0;
    if (up && (symbol == XK_Super_L || symbol == XK_Super_R)) {
        // A Windows-key shortcut releases only the Windows key; a key left
        // down would stay down in the X server for every client, so the
        // keys this program pressed go up with it.
        for (const unsigned held : std::vector<unsigned>(m_heldKeys.begin(), m_heldKeys.end())) {
            if (held != code) {
                XTestFakeKeyEvent(display, held, False, CurrentTime);
                m_heldKeys.erase(held);
            }
        }
    }
    XTestFakeKeyEvent(display, code, up ? False : True, CurrentTime);
    if (up)
        m_heldKeys.erase(code);
    else
        m_heldKeys.insert(code);
    XFlush(display);
}

} // namespace tarnquill
