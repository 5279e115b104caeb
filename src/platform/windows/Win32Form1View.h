// SPDX-License-Identifier: MIT
#pragma once

#include "app/Form1ViewBase.h"
#include "platform/windows/Win32DesignWindow.h"

#include <functional>

namespace tarnquill {

class Win32WatcherPump;

// The main window on Win32: the Form1 design built by Win32DesignWindow, List1
// a LISTBOX refilled from the history, and the view side of app::Form1, whose
// handlers the window's messages are routed to. Window handles cross the
// Win32 seam as their low 32 bits, which is all a user handle carries.
class Win32Form1View final : public app::Form1ViewBase, public HistoryListView {
public:
    Win32Form1View(const TextHistory& history, Win32WatcherPump& timer1, ::HICON programIcon);

    Win32DesignWindow& window() { return m_window; }
    ::HWND hWnd() const { return m_window.hwnd(); }
    HistoryListView& listView() { return *this; }

    int List1_ListIndex() const override;
    void setText1(const std::string& text) override;
    int Check2_Value() const override;
    HWND Picture1_hWnd() const override;
    Picture Picture1_Picture() const override;
    int Check1_Value() const override;
    void Show() override;
    void Hide() override;
    void Minimize() override;
    bool hasNotificationArea() const override;
    void setLabel2Underline(int index, bool underline) override;
    void startTimer1() override;

    void listReset(std::size_t rows) override;

    // Routes every control event to its handler, as the design names them:
    // List1's selection to List1_Click, Label2's clicks to Label2_Click
    // (then `afterCommand`: the history or the clipboard may have changed
    // behind the watcher's back), Check2's clicks and key releases, Label25's
    // drag, the hover moves over Label2 and the surface, "_", "Send to Tray"
    // and "Exit", the tray's notifications that reach Picture1 as mouse moves
    // (x in twips), and every orderly end: a close of the window (WM_CLOSE
    // from anyone) and the end of the session to the exit, the session's
    // query to commitData. A second start's request restores the window.
    void routeTo(app::Form1& handlers, std::function<void()> afterCommand);

private:
    app::PixelPoint pixelPosition() const override;
    void moveToPixels(app::PixelPoint at) override;
    double windowDpi() const override { return m_window.dpi(); }
    // ExitProcess(0): the exit has written everything.
    void exitProcess() override;

    ::HWND control(std::string_view name) const { return m_window.control(name); }

    const TextHistory& m_history;
    Win32DesignWindow m_window;
    Win32WatcherPump& m_timer1;
    ::HICON m_programIcon;
};

} // namespace tarnquill
