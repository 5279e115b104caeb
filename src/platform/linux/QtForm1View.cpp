// SPDX-License-Identifier: MIT
#include "platform/linux/QtForm1View.h"

#include "platform/linux/DesignControls.h"
#include "platform/linux/QtForm1Events.h"
#include "platform/linux/LargeTextView.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/WatcherPump.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QWindow>

#include <cstdlib>

namespace tarnquill {

QtForm1View::QtForm1View(const TextHistory& history, QtHandleTable& handles, WatcherPump& timer1)
    : m_listModel(history)
    , m_window(app::window(app::WindowId::Form1))
    , m_list1(&requiredForm1Control<QListView>(m_window, "List1"))
    , m_text1(&requiredForm1Control<QPlainTextEdit>(m_window, "Text1"))
    , m_largeText1(new LargeTextView(&m_window))
    , m_check1(&requiredForm1Control<QCheckBox>(m_window, "Check1"))
    , m_check2(&requiredForm1Control<QCheckBox>(m_window, "Check2"))
    , m_picture1(&requiredForm1Control<DesignPicture>(m_window, "Picture1"))
    , m_handles(handles)
    , m_timer1(timer1)
    , m_windowHandle(handles.addWindow(m_window))
    , m_picture1Handle(handles.addWindow(*m_picture1))
    , m_programIcon(handles.addIcon(QIcon(m_picture1->picture())))
{
    m_list1->setModel(&m_listModel);

    // The large-text view stands in Text1's place with Text1's looks: frame,
    // colours, font, scroll bars and the background-coloured corner, under
    // Picture2 as Text1 is, and next after it in the tab order.
    m_largeText1->setObjectName(QStringLiteral("Text1(large)"));
    m_largeText1->setGeometry(m_text1->geometry());
    m_largeText1->setFrameStyle(m_text1->frameStyle());
    m_largeText1->setLineWidth(m_text1->lineWidth());
    m_largeText1->setPalette(m_text1->palette());
    m_largeText1->setFont(m_text1->font());
    m_largeText1->setHorizontalScrollBarPolicy(m_text1->horizontalScrollBarPolicy());
    m_largeText1->setVerticalScrollBarPolicy(m_text1->verticalScrollBarPolicy());
    if (QWidget* corner = m_text1->cornerWidget()) {
        auto* copy = new QWidget;
        copy->setPalette(corner->palette());
        copy->setAutoFillBackground(true);
        m_largeText1->setCornerWidget(copy);
    }
    m_largeText1->stackUnder(m_text1);
    QWidget::setTabOrder(m_text1, m_largeText1);
    m_largeText1->hide();
}

int QtForm1View::Check2_Value() const
{
    return m_check2->isChecked() ? 1 : 0;
}

int QtForm1View::Check1_Value() const
{
    return m_check1->isChecked() ? 1 : 0;
}

void QtForm1View::Show()
{
    // A minimised window (sent to the task bar for want of a tray, or by the
    // window manager) comes back through its state. One that was unmapped
    // behind Qt's back (by a window manager, on another workspace) is still
    // "visible" to Qt, where show() alone would do nothing, so it is mapped
    // afresh. Activation asks the window manager (_NET_ACTIVE_WINDOW) to
    // bring it forward.
    if (m_window.isMinimized())
        m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
    else if (m_window.isVisible() && m_window.windowHandle() && !m_window.windowHandle()->isExposed())
        m_window.hide();
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

void QtForm1View::Hide()
{
    m_window.hide();
}

void QtForm1View::Minimize()
{
    m_window.showMinimized();
}

bool QtForm1View::hasNotificationArea() const
{
    // Asked each time: a panel with a tray may start or quit during the run.
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtForm1View::setLabel2Underline(int index, bool underline)
{
    auto* label = m_window.control<DesignLabel>("Label2", index);
    if (!label)
        return;
    QFont font = label->font();
    if (font.underline() == underline)
        return;
    font.setUnderline(underline);
    label->setFont(font);
}

void QtForm1View::startTimer1()
{
    m_timer1.start();
}

app::PixelPoint QtForm1View::pixelPosition() const
{
    return {m_window.x(), m_window.y()};
}

void QtForm1View::moveToPixels(app::PixelPoint at)
{
    m_window.move(at.x, at.y);
}

void QtForm1View::exitProcess()
{
    std::_Exit(0);
}

int QtForm1View::List1_ListIndex() const
{
    // The selected row, not the current one: tabbing into the list makes
    // its first row current without selecting anything.
    const QModelIndexList selected = m_list1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void QtForm1View::setText1(const std::string& text)
{
    setText1Shared(std::make_shared<const std::string>(text));
}

void QtForm1View::setText1Shared(const SharedText& text)
{
    const bool large = !LargeTextView::suitsTextEdit(*text);
    QWidget* const shown = large ? static_cast<QWidget*>(m_largeText1) : m_text1;
    QWidget* const hidden = large ? static_cast<QWidget*>(m_text1) : m_largeText1;
    // Only one of the two holds a text at a time.
    if (large) {
        m_text1->clear();
        m_largeText1->setText(text);
    } else {
        m_largeText1->clear();
        m_text1->setPlainText(toQString(*text));
    }
    const bool hadFocus = hidden->hasFocus();
    shown->show();
    hidden->hide();
    if (hadFocus)
        shown->setFocus(Qt::OtherFocusReason);
}


void QtForm1View::routeTo(app::Form1& handlers, std::function<void()> afterCommand)
{
    routeForm1Events({m_window, *m_list1, *m_check2, *m_picture1}, m_handles, handlers, std::move(afterCommand));
}

} // namespace tarnquill
