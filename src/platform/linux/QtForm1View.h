// SPDX-License-Identifier: MIT
#pragma once

#include "app/Form1ViewBase.h"
#include "platform/linux/DesignWindow.h"
#include "platform/linux/HistoryListModel.h"

#include <functional>
#include <string>

class QCheckBox;
class QListView;
class QPlainTextEdit;

namespace tarnquill {

class DesignPicture;
class LargeTextView;
class QtHandleTable;
class WatcherPump;

// The main window on Qt: the Form1 design built by DesignWindow, List1 showing
// the history through HistoryListModel, and the view side of the controller
// app::Form1, whose handlers the control events are routed to.
//
// The window and Picture1 are entered into the handle table: Form1 under its
// X window id, Picture1 (the tray icon's callback window) under a handle of
// the table's own, and Picture1's picture, the program icon, as an icon.
//
// Positions reach the handlers in twips and the window is placed in twips,
// converted with the dots per inch its controls were laid out with.
class QtForm1View final : public app::Form1ViewBase {
public:
    // `timer1` is the clipboard watcher's pump, which the load starts.
    QtForm1View(const TextHistory& history, QtHandleTable& handles, WatcherPump& timer1);

    DesignWindow& window() { return m_window; }
    // What TextHistory rebuilds List1 through.
    HistoryListView& listView() { return m_listModel; }

    int List1_ListIndex() const override;
    void setText1(const std::string& text) override;
    // Texts that QPlainTextEdit lays out quickly go into Text1's editor; any
    // other goes into a LargeTextView of the same looks in its place, which
    // shows it read-only without laying it out whole.
    void setText1Shared(const SharedText& text) override;
    int Check2_Value() const override;
    HWND Picture1_hWnd() const override { return m_picture1Handle; }
    Picture Picture1_Picture() const override { return Picture(m_programIcon); }
    int Check1_Value() const override;
    void Show() override;
    void Hide() override;
    void Minimize() override;
    bool hasNotificationArea() const override;
    void setLabel2Underline(int index, bool underline) override;
    void startTimer1() override;

    // Form1's own window handle.
    HWND hWnd() const { return m_windowHandle; }

    // Routes the window's events to `handlers` (see routeForm1Events).
    void routeTo(app::Form1& handlers, std::function<void()> afterCommand);

private:
    app::PixelPoint pixelPosition() const override;
    void moveToPixels(app::PixelPoint at) override;
    double windowDpi() const override { return m_window.dpi(); }
    // std::_Exit(0): every file the exit writes is on disk by then (the store
    // is flushed before its rename), and nothing that Qt or a destructor
    // would do afterwards is wanted.
    void exitProcess() override;

    HistoryListModel m_listModel; // outlives List1, which reads from it
    DesignWindow m_window;
    QListView* m_list1;
    QPlainTextEdit* m_text1;
    LargeTextView* m_largeText1;
    QCheckBox* m_check1;
    QCheckBox* m_check2;
    DesignPicture* m_picture1;
    QtHandleTable& m_handles;
    WatcherPump& m_timer1;
    HWND m_windowHandle;
    HWND m_picture1Handle;
    HICON m_programIcon;
};

} // namespace tarnquill
