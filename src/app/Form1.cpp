#include "app/Form1.h"

namespace tarnquill::app {

Form1::Form1(Form1View& view, TextHistory& history, Clipboard& clipboard, Win32Api& api)
    : m_view(view)
    , m_history(history)
    , m_clipboard(clipboard)
    , m_regStuff(api, api.AppPath())
    , m_exeName(api.AppExeName())
    , m_winApi(api)
{
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
        m_view.setText1(m_history.slot(*slot));
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
    if (m_winApi.TryIcnRtnMsg(X) != static_cast<std::int32_t>(WM_LBUTTONUP))
        return;
    // Shown before the icon goes: at no moment is there neither.
    m_view.Show();
    m_winApi.TrayIcon(2, m_view.Picture1_hWnd(), kTrayTip, m_view.Picture1_Picture());
}

} // namespace tarnquill::app
