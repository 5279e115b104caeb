// SPDX-License-Identifier: MIT
#pragma once

#include "history/TextHistory.h"

#include <QAbstractListModel>

namespace tarnquill {

// The rows of List1, read from the history when the view asks for them, so a
// rebuild of the list copies no text.
class HistoryListModel final : public QAbstractListModel, public HistoryListView {
    Q_OBJECT

public:
    explicit HistoryListModel(const TextHistory& history, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void listReset(std::size_t rows) override;

private:
    const TextHistory& m_history;
    int m_rows = 0;
};

} // namespace tarnquill
