// SPDX-License-Identifier: MIT
#pragma once

#include "app/ProgressForm.h"
#include "history/Clipboard.h"
#include "history/TextHistory.h"
#include "startup/RegStuff.h"
#include "winapi/CWinAPI.h"
#include "winapi/Values.h"
#include "winapi/Win32Api.h"

#include <optional>
#include <string>
#include <vector>

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
    // The same for a text the history holds, which a view may keep shared
    // instead of copying it (texts run to hundreds of megabytes).
    virtual void setText1Shared(const SharedText& text) { setText1(*text); }
    // The state of Check2 "Run ... at start-up": 1 checked, 0 cleared.
    virtual int Check2_Value() const = 0;
    // Picture1's window handle, the tray icon's callback window, and its
    // picture, the program icon that the tray shows.
    virtual HWND Picture1_hWnd() const = 0;
    virtual Picture Picture1_Picture() const = 0;
    // The state of Check1 "Keep awake as a windows tray icon": 1 checked.
    virtual int Check1_Value() const = 0;

    // Shows the main window modeless: visible and active again, at the
    // place it had, restored if it was minimised.
    virtual void Show() = 0;
    // Hides the main window: off the screen, not destroyed.
    virtual void Hide() = 0;
    // Minimises the main window, which the desktop's task bar brings back.
    virtual void Minimize() = 0;
    // Whether the desktop has a notification area that can hold the tray
    // icon at this moment.
    virtual bool hasNotificationArea() const = 0;

    // The window's left and top edge on the screen, in twips. Setting one
    // moves the window there, rounded to the nearest pixel.
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual void setLeft(float twips) = 0;
    virtual void setTop(float twips) = 0;

    // Underlines the caption of element `index` of Label2, or stops doing so.
    virtual void setLabel2Underline(int index, bool underline) = 0;

    // Starts the main window's Timer1: the clipboard watcher.
    virtual void startTimer1() = 0;

    // Ends the process at once: no handler of any window runs after it, and
    // nothing of the program is torn down. Returns only in tests.
    virtual void endProcess() = 0;
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
    // the window's one CWinAPI instance, which the load creates. `form2` is
    // the loading window, `form3` the saving window.
    Form1(Form1View& view, TextHistory& history, Clipboard& clipboard, Win32Api& api, ProgressForm& form2,
          ProgressForm& form3);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // A request to load the main window: the first one runs the load (the
    // loading window hidden, this one shown, the history read, the watcher
    // started, the CWinAPI instance created, List1 filled), later ones do
    // nothing. A failing step of the load is skipped and the next one runs.
    void Load();
    bool isLoaded() const { return m_loaded; }

    // The "Exit" label, and the end of every orderly way out: the saving
    // window shown, the tray icon removed, the history saved, the Run entry
    // applied as Check2 says, the process ended. Each step that fails is
    // skipped. It runs once; a request while it runs does nothing.
    void Label3_Click();
    // The main window is being unloaded (closed by the user or the window
    // manager, a signal, the end of the session): the exit above.
    void Form_Unload();
    // The session asks for everything to be on disk, perhaps only as a
    // checkpoint: the history saved and the Run entry applied, the program
    // left running. If the session then ends, the exit follows.
    void commitData();

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
    // The same notification as a front end receives it, the position in
    // pixels. It is turned into twips with the factor that TryIcnRtnMsg
    // divides by, read at this moment: a factor taken at start would decode
    // the messages wrongly after a change of the screen's dots per inch, and
    // the window would never come back from the tray.
    void Picture1_TrayMessage(int Button, int Shift, int X, int Y);

    // The tray restore without the tray message: the window shown where it
    // was, then the tray icon removed (a removal of no icon does nothing).
    // Also what a second start of the program asks for.
    void restoreWindow();

    // Dragging by the title label Label25, with any mouse button: X and Y are
    // the pointer's position within the label in twips.
    void Label25_MouseDown(int Button, int Shift, float X, float Y);
    void Label25_MouseMove(int Button, int Shift, float X, float Y);
    void Label25_MouseUp(int Button, int Shift, float X, float Y);

    // The hover effect: the command label under the mouse is underlined,
    // none is over the window's own surface.
    void Label2_MouseMove(int Index, int Button, int Shift, float X, float Y);
    void Form_MouseMove(int Button, int Shift, float X, float Y);

    // "_" (element 0; other elements do nothing) and "Send to Tray": with
    // Check1 checked the window goes to the tray, otherwise the program ends
    // through the exit.
    void Label1_Click(int Index);
    void Label6_Click();

private:
    // The slot of the selected row, or nothing when no row is selected.
    std::optional<std::size_t> selectedSlot() const;
    void resendSelected();
    void eraseHistory();

    void applyRunEntry();

    void Form_Load();
    void sendToTrayOrClose();
    void removeTrayIcon();

    Form1View& m_view;
    TextHistory& m_history;
    Clipboard& m_clipboard;
    Win32Api& m_api;
    ProgressForm& m_form2;
    ProgressForm& m_form3;
    RegStuff m_regStuff;
    // The executable's file name without its extension: the Run value's name.
    std::string m_exeName;
    // Created by the load, kept to the end of the process.
    std::optional<CWinAPI> m_winApi;
    // The elements of Label2, in index order.
    std::vector<int> m_label2Indices;

    bool m_loaded = false;
    bool m_exiting = false;

    // The drag by Label25. `drag` counts as off before any press.
    bool m_drag = false;
    float m_dragx = 0;
    float m_dragy = 0;
};

} // namespace tarnquill::app
