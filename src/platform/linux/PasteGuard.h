// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>

class QEvent;
class QPlainTextEdit;
class QPoint;

namespace tarnquill {

// Keeps the editable text boxes from asking a clipboard owner that does not
// answer: Qt's own context menu and Ctrl+V read the clipboard on the
// user-interface thread and wait seconds for a hung owner. Installed on the
// application, it shows the boxes' context menu with Paste enabled from the
// background reader's last answer, and lets Ctrl+V through only when that
// answer was a text.
class PasteGuard final : public QObject {
public:
    // `clipboardHasText`: whether the clipboard's current owner answered with
    // a text; asked without waiting.
    explicit PasteGuard(std::function<bool()> clipboardHasText);
    ~PasteGuard() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showMenu(QPlainTextEdit& edit, const QPoint& globalPos);

    std::function<bool()> m_clipboardHasText;
};

} // namespace tarnquill
