// SPDX-License-Identifier: MIT
#include "app/Form1.h"

#include "app/Design.h"

#include <algorithm>

namespace tarnquill::app {

namespace {

// The handlers that ignore a failing statement and go on with the next
// (the load, the exit, the surface's mouse moves) run each statement
// through this.
template <typename Step>
void skippingErrors(Step&& step)
{
    try {
        step();
    } catch (...) {
    }
}

std::vector<int> elementsOf(std::string_view array)
{
    std::vector<int> indices;
    for (const ControlDesign& control : window(WindowId::Form1).controls) {
        if (control.name == array)
            indices.push_back(control.index);
    }
    std::ranges::sort(indices);
    return indices;
}

} // namespace

Form1::Form1(Form1View& view, TextHistory& history, Clipboard& clipboard, Win32Api& api, ProgressForm& form2,
             ProgressForm& form3)
    : m_view(view)
    , m_history(history)
    , m_clipboard(clipboard)
    , m_api(api)
    , m_form2(form2)
    , m_form3(form3)
    , m_regStuff(api, api.AppPath())
    , m_exeName(api.AppExeName())
    , m_label2Indices(elementsOf("Label2"))
{
}

void Form1::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void Form1::Form_Load()
{
    skippingErrors([&] { m_form2.Hide(); });
    skippingErrors([&] { m_view.Show(); });
    skippingErrors([&] { m_history.loadt(); });
    // Only once the slots hold the store: a tick before would compare the
    // clipboard with an empty slot 0, add it, and save over the store.
    skippingErrors([&] { m_view.startTimer1(); });
    skippingErrors([&] { m_winApi.emplace(m_api); });
    skippingErrors([&] { m_history.listt(); });
}

void Form1::Form_Unload()
{
    Label3_Click();
}

void Form1::Label3_Click()
{
    if (m_exiting)
        return;
    m_exiting = true;
    if (!m_loaded) {
        // A signal in the moment before the first tick of the loading
        // window: the history was never read, and saving the empty slots
        // would wipe the store. Nothing has changed yet; just end.
        m_view.endProcess();
        return;
    }
    skippingErrors([&] { m_form3.Show(); });
    skippingErrors([&] { removeTrayIcon(); });
    skippingErrors([&] { m_history.savet(); });
    skippingErrors([&] { applyRunEntry(); });
    m_view.endProcess();
}

void Form1::commitData()
{
    if (!m_loaded || m_exiting)
        return;
    skippingErrors([&] { m_history.savet(); });
    skippingErrors([&] { applyRunEntry(); });
}

std::optional<std::size_t> Form1::selectedSlot() const
{
    const int row = m_view.List1_ListIndex();
    if (row < 0 || static_cast<std::size_t>(row) >= kHistorySlots)
        return std::nullopt;
    return static_cast<std::size_t>(row);
}

void Form1::List1_Click()
{
    if (const auto slot = selectedSlot())
        m_view.setText1Shared(m_history.sharedSlot(*slot));
}

void Form1::Label2_Click(int Index)
{
    switch (Index) {
    case kResendIndex:
        resendSelected();
        break;
    case kEraseIndex:
        eraseHistory();
        break;
    default:
        break;
    }
}

void Form1::resendSelected()
{
    const auto slot = selectedSlot();
    if (!slot)
        return;
    // The slot, never Text1: what the user typed into the preview goes
    // nowhere. An empty slot puts an empty text. A clipboard that another
    // program holds makes setText fail; the command then just ends, as every
    // failure of these commands does, without a message.
    m_clipboard.setText(m_history.slot(*slot));
}

void Form1::eraseHistory()
{
    // eraseAll deletes the store file wherever the store lives (the program's
    // folder or the per-user one) and empties the slots and List1 only when
    // the delete worked, so a missing file leaves everything as it is.
    //
    // The history's generation moves with the erase, which wakes a clipboard
    // watcher that had stopped ticking: its next tick compares the clipboard
    // with the now empty slot 0 and records the clipboard's current text again.
    m_history.eraseAll();
}

void Form1::applyRunEntry()
{
    applyRunAtStartup(m_regStuff, m_view.Check2_Value(), m_exeName);
}

void Form1::Check2_Click()
{
    applyRunEntry();
}

void Form1::Check2_KeyUp(int, int)
{
    // A space bar press on the box reaches both handlers, after the box has
    // changed, so the entry is applied twice with the same result.
    applyRunEntry();
}

void Form1::Picture1_MouseMove(int, int, float X, float)
{
    if (!m_winApi || m_winApi->TryIcnRtnMsg(X) != static_cast<std::int32_t>(WM_LBUTTONUP))
        return;
    restoreWindow();
}

void Form1::Picture1_TrayMessage(int Button, int Shift, int X, int Y)
{
    Picture1_MouseMove(Button, Shift, static_cast<float>(X * static_cast<double>(m_api.TwipsPerPixelX())),
                       static_cast<float>(Y * static_cast<double>(m_api.TwipsPerPixelY())));
}

void Form1::restoreWindow()
{
    // Shown before the icon goes: at no moment is there neither.
    m_view.Show();
    removeTrayIcon();
}

void Form1::removeTrayIcon()
{
    if (m_winApi)
        m_winApi->TrayIcon(2, m_view.Picture1_hWnd(), kTrayTip, m_view.Picture1_Picture());
}

void Form1::Label25_MouseDown(int, int, float X, float Y)
{
    m_drag = true;
    m_dragx = X;
    m_dragy = Y;
}

void Form1::Label25_MouseMove(int, int, float X, float Y)
{
    if (!m_drag)
        return;
    // Single precision, Left before Top, each read back from the window:
    // the label moves with the window, so the next move's X is again
    // measured from the label's new place and the grab point stays under
    // the pointer.
    m_view.setLeft(m_view.Left() + X - m_dragx);
    m_view.setTop(m_view.Top() + Y - m_dragy);
}

void Form1::Label25_MouseUp(int, int, float, float)
{
    m_drag = false;
}

void Form1::Label2_MouseMove(int Index, int, int, float, float)
{
    for (const int element : m_label2Indices)
        m_view.setLabel2Underline(element, false);
    m_view.setLabel2Underline(Index, true);
}

void Form1::Form_MouseMove(int, int, float, float)
{
    for (const int element : m_label2Indices)
        skippingErrors([&] { m_view.setLabel2Underline(element, false); });
}

void Form1::Label1_Click(int Index)
{
    if (Index == 0)
        sendToTrayOrClose();
}

void Form1::Label6_Click()
{
    Label1_Click(0);
}

void Form1::sendToTrayOrClose()
{
    if (m_view.Check1_Value() != 1) {
        m_view.Hide();
        Form_Unload();
        return;
    }
    if (!m_view.hasNotificationArea() || !m_winApi) {
        // No notification area to hold the icon (a bare window manager, a
        // desktop whose tray was switched off), or no CWinAPI to add it: a
        // hidden window would be out of reach until the session ends, so it
        // goes to the task bar.
        m_view.Minimize();
        return;
    }
    m_winApi->TrayIcon(0, m_view.Picture1_hWnd(), kTrayTip, m_view.Picture1_Picture());
    m_view.Hide();
}

} // namespace tarnquill::app
