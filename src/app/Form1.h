#pragma once

#include "history/Clipboard.h"
#include "history/TextHistory.h"
#include "startup/RegStuff.h"
#include "winapi/CWinAPI.h"
#include "winapi/Values.h"
#include "winapi/Win32Api.h"

#include <optional>
#include <string>

namespace tarnquill::app {

// What the main window's handlers need of the window itself. Each front end
// implements it over its own widgets; tests use a fake.
class Form1View {
public:
    Form1View() = default;
    Form1View(const Form1View&) = delete;
    Form1View& operator=(const Form1View&) = delete;
    virtual ~Form1View() = default;

    // The selected row of List1, or -1 when no row is selected.
    virtual int List1_ListIndex() const = 0;
    // Replaces the whole content of the preview box Text1.
    virtual void setText1(const std::string& text) = 0;
    // The state of Check2 "Run ... at start-up": 1 checked, 0 cleared.
    virtual int Check2_Value() const = 0;
    // Picture1's window handle, the tray icon's callback window, and its
    // picture, the program icon that the tray shows.
    virtual HWND Picture1_hWnd() const = 0;
    virtual Picture Picture1_Picture() const = 0;
    // Shows the main window modeless: visible and active again.
    virtual void Show() = 0;
};

// The main window's event handlers, free of any toolkit. The front end calls
// one handler per control event; the window owns the history for the whole run.
//
// List1 itself is redrawn through the history's HistoryListView, which the
// front end registers with TextHistory, so the handlers here never touch rows.
class Form1 final {
public:
    // The elements of the command label array Label2.
    static constexpr int kResendIndex = 0;
    static constexpr int kEraseIndex = 2;

    // The tip of the program's tray icon.
    static constexpr const char* kTrayTip = "Tarnquill";

    // `api` reaches the desktop: the Run entry through RegStuff, for the
    // executable of this process (AppPath, AppExeName), and the tray through
    // the window's one CWinAPI instance.
    Form1(Form1View& view, TextHistory& history, Clipboard& clipboard, Win32Api& api);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // A row of List1 was selected (by mouse or keyboard): shows that entry
    // whole in Text1. Without a selection Text1 stays as it is.
    void List1_Click();

    // A command label was clicked: element 0 puts the selected entry back on
    // the clipboard, element 2 erases the whole history; other elements do
    // nothing. No command asks or reports anything.
    void Label2_Click(int Index);

    // Check2 was clicked, or a key was released on it (any key; neither the
    // key nor the shift state is looked at): the Run entry follows the box at
    // once, written when it is checked and deleted when it is not.
    void Check2_Click();
    void Check2_KeyUp(int KeyCode, int Shift);

    // The tray icon's notifications arrive as mouse moves over Picture1, X in
    // twips. A left-button release over the icon (514) shows the window again
    // and removes the icon; every other message is ignored.
    void Picture1_MouseMove(int Button, int Shift, float X, float Y);

private:
    // The slot of the selected row, or nothing when no row is selected.
    std::optional<std::size_t> selectedSlot() const;
    void resendSelected();
    void eraseHistory();

    void applyRunEntry();

    Form1View& m_view;
    TextHistory& m_history;
    Clipboard& m_clipboard;
    RegStuff m_regStuff;
    // The executable's file name without its extension: the Run value's name.
    std::string m_exeName;
    CWinAPI m_winApi;
};

} // namespace tarnquill::app
