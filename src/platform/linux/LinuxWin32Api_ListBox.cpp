// SPDX-License-Identifier: MIT
// The text form of SendMessageA: LB_ADDSTRING appends a line to a list box
// of the front end, a QListWidget registered in the handle table.

#include "platform/linux/LinuxWin32Api.h"

#include "platform/linux/QtHandleTable.h"

#include <QListWidget>

namespace tarnquill {

LRESULT LinuxWin32Api::SendMessageA(HWND hWnd, UINT msg, WPARAM, const std::string& lParam)
{
    // A window the table does not know, or one that is no list box, answers
    // 0 as a message sent to no window does on Windows.
    auto* list = qobject_cast<QListWidget*>(m_handles.widget(hWnd));
    if (list == nullptr || msg != LB_ADDSTRING)
        return 0;
    // The text is NUL-terminated: a line shows up to its first NUL.
    const std::string_view line(lParam.c_str());
    auto* item = new QListWidgetItem(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    list->addItem(item);
    // A sorting list box places the line in its own order.
    return list->row(item);
}

} // namespace tarnquill
