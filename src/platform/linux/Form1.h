#pragma once

#include "platform/linux/HistoryListModel.h"

#include <QLabel>
#include <QListView>
#include <QWidget>

namespace tarnquill {

// The main window: borderless, fixed in size, centred on the screen, showing
// the history in List1. Only the list and the title so far; the full design
// replaces the hand-placed controls below.
class Form1 final : public QWidget {
public:
    explicit Form1(const TextHistory& history);

    HistoryListView& listView() { return m_listModel; }

private:
    HistoryListModel m_listModel; // outlives List1, which reads from it
    QLabel m_label25;
    QListView m_list1;
};

} // namespace tarnquill
