#pragma once

#include "app/Form1.h"
#include "platform/linux/DesignWindow.h"
#include "platform/linux/HistoryListModel.h"

#include <functional>
#include <string>

class QListView;
class QPlainTextEdit;

namespace tarnquill {

// The main window on Qt: the Form1 design built by DesignWindow, List1 showing
// the history through HistoryListModel, and the view side of the controller
// app::Form1, whose handlers the control events are routed to.
class QtForm1View final : public app::Form1View {
public:
    explicit QtForm1View(const TextHistory& history);

    DesignWindow& window() { return m_window; }
    // What TextHistory rebuilds List1 through.
    HistoryListView& listView() { return m_listModel; }

    int List1_ListIndex() const override;
    void setText1(const std::string& text) override;

    // Routes List1's selection (mouse and keyboard) to List1_Click and the
    // clicks on each Label2 element to Label2_Click with its index. After each
    // Label2 command `afterCommand` runs: the history or the clipboard may
    // have changed behind the watcher's back.
    void routeTo(app::Form1& handlers, std::function<void()> afterCommand);

private:
    HistoryListModel m_listModel; // outlives List1, which reads from it
    DesignWindow m_window;
    QListView* m_list1;
    QPlainTextEdit* m_text1;
};

} // namespace tarnquill
