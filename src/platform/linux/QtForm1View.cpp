// SPDX-License-Identifier: MIT
#include "platform/linux/QtForm1View.h"

#include "app/Twips.h"
#include "platform/linux/DesignControls.h"
#include "platform/linux/LargeTextView.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/WatcherPump.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QWindow>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace tarnquill {

namespace {

template <typename Widget>
Widget& required(const DesignWindow& window, std::string_view name, int index = app::kNoIndex)
{
    auto* widget = window.control<Widget>(name, index);
    if (!widget)
        throw std::logic_error("the main window's design lacks " + std::string(name));
    return *widget;
}

// The Windows virtual-key code of a Qt key, as a KeyUp handler receives it:
// letters and digits are their upper-case characters, the keys a check box
// sees most have their codes, any other key 0.
int virtualKeyOf(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    default:
        return 0;
    }
}

// The Shift argument of the handlers: 1 Shift, 2 Ctrl, 4 Alt.
int shiftStateOf(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}

// Button and Shift of a mouse-move from its message's key-state word.
int buttonsOf(WPARAM keys)
{
    return (keys & 0x01 ? 1 : 0) | (keys & 0x02 ? 2 : 0) | (keys & 0x10 ? 4 : 0);
}

int shiftStateOf(WPARAM keys)
{
    return (keys & 0x04 ? 1 : 0) | (keys & 0x08 ? 2 : 0);
}

// The Button argument of a press or release: 1 left, 2 right, 4 middle.
int mouseButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

// The Button argument of a mouse move: the buttons held, added up.
int mouseButtonsOf(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
        | (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftStateNow()
{
    return shiftStateOf(QGuiApplication::keyboardModifiers());
}

// A close of the window, from whatever source, becomes the window's unload:
// the close itself is refused, since the exit ends the process without
// tearing any window down.
class CloseFilter final : public QObject {
public:
    CloseFilter(QWidget& window, std::function<void()> onClose)
        : QObject(&window)
        , m_onClose(std::move(onClose))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        event->ignore();
        m_onClose();
        return true;
    }

private:
    std::function<void()> m_onClose;
};

// Calls `onRelease` for each key released on a widget (auto-repeat aside, as
// a held key is released once), after the widget has handled the release: a
// check box toggles on the release of the space bar, and its KeyUp handler
// is to see the new state, as its Click handler does.
class KeyReleaseFilter final : public QObject {
public:
    KeyReleaseFilter(QWidget& widget, std::function<void(int key, int shift)> onRelease)
        : QObject(&widget)
        , m_onRelease(std::move(onRelease))
    {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyRelease)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat())
            return false;
        QMetaObject::invokeMethod(
            this, [this, code = virtualKeyOf(key->key()), shift = shiftStateOf(key->modifiers())] {
                m_onRelease(code, shift);
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    std::function<void(int, int)> m_onRelease;
};

} // namespace

QtForm1View::QtForm1View(const TextHistory& history, QtHandleTable& handles, WatcherPump& timer1)
    : m_listModel(history)
    , m_window(app::window(app::WindowId::Form1))
    , m_list1(&required<QListView>(m_window, "List1"))
    , m_text1(&required<QPlainTextEdit>(m_window, "Text1"))
    , m_largeText1(new LargeTextView(&m_window))
    , m_check1(&required<QCheckBox>(m_window, "Check1"))
    , m_check2(&required<QCheckBox>(m_window, "Check2"))
    , m_picture1(&required<DesignPicture>(m_window, "Picture1"))
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

float QtForm1View::Left() const
{
    return static_cast<float>(app::pixelsToTwips(m_window.x(), m_window.dpi()));
}

float QtForm1View::Top() const
{
    return static_cast<float>(app::pixelsToTwips(m_window.y(), m_window.dpi()));
}

namespace {

int toPixels(float twips, double dpi)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / app::kTwipsPerInch));
}

} // namespace

void QtForm1View::setLeft(float twips)
{
    m_window.move(toPixels(twips, m_window.dpi()), m_window.y());
}

void QtForm1View::setTop(float twips)
{
    m_window.move(m_window.x(), toPixels(twips, m_window.dpi()));
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

void QtForm1View::endProcess()
{
    if (m_endProcess) {
        m_endProcess();
        return;
    }
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
    // A click on the row that is already selected changes no selection but
    // shows that entry again (after the user typed into Text1, say); a click
    // that does change it reaches the handler twice, which shows the same.
    QObject::connect(m_list1->selectionModel(), &QItemSelectionModel::selectionChanged, &m_window,
                     [&handlers] { handlers.List1_Click(); });
    QObject::connect(m_list1, &QAbstractItemView::clicked, &m_window, [&handlers] { handlers.List1_Click(); });

    for (const auto& control : m_window.design().controls) {
        if (control.name != "Label2")
            continue;
        auto* label = m_window.control<DesignLabel>(control.name, control.index);
        if (!label)
            continue;
        QObject::connect(label, &DesignLabel::clicked, &m_window,
                         [&handlers, afterCommand, index = control.index] {
                             handlers.Label2_Click(index);
                             if (afterCommand)
                                 afterCommand();
                         });
    }

    QObject::connect(m_check2, &QCheckBox::clicked, &m_window, [&handlers] { handlers.Check2_Click(); });

    const double dpi = m_window.dpi();
    const auto twips = [dpi](qreal pixels) { return static_cast<float>(app::pixelsToTwips(pixels, dpi)); };
    auto& title = required<DesignLabel>(m_window, "Label25");
    QObject::connect(&title, &DesignLabel::mousePressed, &m_window,
                     [&handlers, twips](QPointF at, Qt::MouseButton button) {
                         handlers.Label25_MouseDown(mouseButtonOf(button), shiftStateNow(), twips(at.x()),
                                                    twips(at.y()));
                     });
    QObject::connect(&title, &DesignLabel::mouseMoved, &m_window,
                     [&handlers, twips](QPointF at, Qt::MouseButtons buttons) {
                         handlers.Label25_MouseMove(mouseButtonsOf(buttons), shiftStateNow(), twips(at.x()),
                                                    twips(at.y()));
                     });
    QObject::connect(&title, &DesignLabel::mouseReleased, &m_window,
                     [&handlers, twips](QPointF at, Qt::MouseButton button) {
                         handlers.Label25_MouseUp(mouseButtonOf(button), shiftStateNow(), twips(at.x()),
                                                  twips(at.y()));
                     });

    for (const auto& control : m_window.design().controls) {
        auto* label = m_window.control<DesignLabel>(control.name, control.index);
        if (!label)
            continue;
        if (control.name == "Label2") {
            QObject::connect(label, &DesignLabel::mouseMoved, &m_window,
                             [&handlers, twips, index = control.index](QPointF at, Qt::MouseButtons buttons) {
                                 handlers.Label2_MouseMove(index, mouseButtonsOf(buttons), shiftStateNow(),
                                                           twips(at.x()), twips(at.y()));
                             });
        } else if (control.name == "Label1") {
            QObject::connect(label, &DesignLabel::clicked, &m_window,
                             [&handlers, index = control.index] { handlers.Label1_Click(index); });
        }
    }
    QObject::connect(&m_window, &DesignWindow::surfaceMouseMoved, &m_window, [&handlers, twips](QPointF at) {
        handlers.Form_MouseMove(mouseButtonsOf(QGuiApplication::mouseButtons()), shiftStateNow(), twips(at.x()),
                                twips(at.y()));
    });

    QObject::connect(&required<DesignLabel>(m_window, "Label6"), &DesignLabel::clicked, &m_window,
                     [&handlers] { handlers.Label6_Click(); });
    QObject::connect(&required<DesignLabel>(m_window, "Label3"), &DesignLabel::clicked, &m_window,
                     [&handlers] { handlers.Label3_Click(); });
    new CloseFilter(m_window, [&handlers] { handlers.Form_Unload(); });
    new KeyReleaseFilter(*m_check2, [&handlers](int key, int shift) { handlers.Check2_KeyUp(key, shift); });

    // Nothing moves the mouse over Picture1, which lies below the window's
    // edge: what reaches it is the tray icon's notifications, in pixels as
    // every mouse message, which the handler turns into twips.
    m_handles.addWindow(*m_picture1, [&handlers](WPARAM keys, int x, int y) {
        handlers.Picture1_TrayMessage(buttonsOf(keys), shiftStateOf(keys), x, y);
    });
}

} // namespace tarnquill
