#pragma once

#include "history/Clipboard.h"
#include "history/TextHistory.h"

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

    Form1(Form1View& view, TextHistory& history, Clipboard& clipboard);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // A row of List1 was selected (by mouse or keyboard): shows that entry
    // whole in Text1. Without a selection Text1 stays as it is.
    void List1_Click();

    // A command label was clicked: element 0 puts the selected entry back on
    // the clipboard, element 2 erases the whole history; other elements do
    // nothing. No command asks or reports anything.
    void Label2_Click(int Index);

private:
    // The slot of the selected row, or nothing when no row is selected.
    std::optional<std::size_t> selectedSlot() const;
    void resendSelected();
    void eraseHistory();

    Form1View& m_view;
    TextHistory& m_history;
    Clipboard& m_clipboard;
};

} // namespace tarnquill::app
