// SPDX-License-Identifier: MIT
#include "platform/linux/HistoryListModel.h"

#include <QString>

#include <algorithm>

namespace tarnquill {

HistoryListModel::HistoryListModel(const TextHistory& history, QObject* parent)
    : QAbstractListModel(parent)
    , m_history(history)
{
}

int HistoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows)
        return {};
    const std::string_view line = m_history.listLine(static_cast<std::size_t>(index.row()));
    QString row = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    // A list row is one line: Qt would cut it at the first line break and
    // show "first…", so line breaks and tabs show as blanks, as a list box
    // draws them.
    for (QChar& c : row) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    return row;
}

void HistoryListModel::listReset(std::size_t rows)
{
    // A reset rather than a data change: the view drops its selection, as
    // clearing the list box did.
    beginResetModel();
    m_rows = static_cast<int>(std::min(rows, kHistorySlots));
    endResetModel();
}

} // namespace tarnquill
