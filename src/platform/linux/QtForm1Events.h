// SPDX-License-Identifier: MIT
#pragma once

#include "app/Form1.h"
#include "platform/linux/DesignWindow.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

class QCheckBox;
class QListView;

namespace tarnquill {

class DesignPicture;
class QtHandleTable;

// A control of the main window's design that the window cannot do without.
template <typename Widget>
Widget& requiredForm1Control(const DesignWindow& window, std::string_view name, int index = app::kNoIndex)
{
    auto* widget = window.control<Widget>(name, index);
    if (!widget)
        throw std::logic_error("the main window's design lacks " + std::string(name));
    return *widget;
}

// The main window's widgets whose events reach the handlers.
struct QtForm1Controls {
    DesignWindow& window;
    QListView& list1;
    QCheckBox& check2;
    DesignPicture& picture1;
};

// Turns the main window's Qt events into calls of app::Form1's handlers, with
// the arguments the handlers take (buttons, Shift state, twips, virtual keys).
//
// List1's selection (mouse and keyboard) goes to List1_Click and the clicks on
// each Label2 element to Label2_Click with its index. After each Label2
// command `afterCommand` runs: the history or the clipboard may have changed
// behind the watcher's back. Check2's clicks and key releases go to
// Check2_Click and Check2_KeyUp, the mouse moves that reach Picture1 (the
// tray's notifications, delivered through `handles`) to Picture1_TrayMessage.
// Label25's presses, moves and releases drag the window; the mouse moves over
// Label2's elements and over the window's surface make the hover effect; "_",
// "Send to Tray" and "Exit" go to their click handlers, and a close of the
// window (the window manager's close button or Alt+F4, a close request from
// another program) to Form_Unload.
void routeForm1Events(const QtForm1Controls& controls, QtHandleTable& handles, app::Form1& handlers,
                      std::function<void()> afterCommand);

} // namespace tarnquill
