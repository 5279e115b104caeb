// SPDX-License-Identifier: MIT
#include "platform/linux/PasteGuard.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace tarnquill {

namespace {

// The editable box a context menu or key event is meant for: the event goes
// to the box's viewport (menu) or to the box itself (keys).
QPlainTextEdit* editableBox(QObject* watched)
{
    auto* edit = qobject_cast<QPlainTextEdit*>(watched);
    if (!edit && watched)
        edit = qobject_cast<QPlainTextEdit*>(watched->parent());
    return edit && !edit->isReadOnly() ? edit : nullptr;
}

} // namespace

PasteGuard::PasteGuard(std::function<bool()> clipboardHasText)
    : m_clipboardHasText(std::move(clipboardHasText))
{
    qApp->installEventFilter(this);
}

PasteGuard::~PasteGuard()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool PasteGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu) {
        QPlainTextEdit* edit = editableBox(watched);
        if (!edit || edit->contextMenuPolicy() != Qt::DefaultContextMenu)
            return false;
        showMenu(*edit, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste) && qobject_cast<QPlainTextEdit*>(watched)
            && editableBox(watched) && !m_clipboardHasText()) {
            // Nothing to paste, or an owner that has not answered: the key
            // is used up here rather than wait on that owner.
            event->accept();
            return true;
        }
    }
    return false;
}

void PasteGuard::showMenu(QPlainTextEdit& edit, const QPoint& globalPos)
{
    const bool selection = edit.textCursor().hasSelection();
    QMenu menu(&edit);
    const auto add = [&](const QString& text, const QKeySequence& keys, bool enabled, auto&& run) {
        QAction* action = menu.addAction(text, &edit, run);
        action->setShortcut(keys);
        action->setEnabled(enabled);
    };
    add(QPlainTextEdit::tr("&Undo"), QKeySequence::Undo, edit.document()->isUndoAvailable(), [&edit] { edit.undo(); });
    add(QPlainTextEdit::tr("&Redo"), QKeySequence::Redo, edit.document()->isRedoAvailable(), [&edit] { edit.redo(); });
    menu.addSeparator();
    add(QPlainTextEdit::tr("Cu&t"), QKeySequence::Cut, selection, [&edit] { edit.cut(); });
    add(QPlainTextEdit::tr("&Copy"), QKeySequence::Copy, selection, [&edit] { edit.copy(); });
    add(QPlainTextEdit::tr("&Paste"), QKeySequence::Paste, m_clipboardHasText(), [&edit] { edit.paste(); });
    add(QPlainTextEdit::tr("Delete"), QKeySequence(), selection, [&edit] { edit.textCursor().removeSelectedText(); });
    menu.addSeparator();
    add(QPlainTextEdit::tr("Select All"), QKeySequence::SelectAll, !edit.document()->isEmpty(),
        [&edit] { edit.selectAll(); });
    menu.exec(globalPos);
}

} // namespace tarnquill
