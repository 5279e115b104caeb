#include "platform/linux/QtForm1View.h"

#include "app/Twips.h"
#include "platform/linux/DesignControls.h"
#include "platform/linux/QtHandleTable.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QPlainTextEdit>

#include <stdexcept>

namespace tarnquill {

namespace {

template <typename Widget>
Widget& required(const DesignWindow& window, std::string_view name)
{
    auto* widget = window.control<Widget>(name);
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

QtForm1View::QtForm1View(const TextHistory& history, QtHandleTable& handles)
    : m_listModel(history)
    , m_window(app::window(app::WindowId::Form1))
    , m_list1(&required<QListView>(m_window, "List1"))
    , m_text1(&required<QPlainTextEdit>(m_window, "Text1"))
    , m_check2(&required<QCheckBox>(m_window, "Check2"))
    , m_picture1(&required<DesignPicture>(m_window, "Picture1"))
    , m_handles(handles)
    , m_windowHandle(handles.addWindow(m_window))
    , m_picture1Handle(handles.addWindow(*m_picture1))
    , m_programIcon(handles.addIcon(QIcon(m_picture1->picture())))
{
    m_list1->setModel(&m_listModel);
}

int QtForm1View::Check2_Value() const
{
    return m_check2->isChecked() ? 1 : 0;
}

void QtForm1View::Show()
{
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
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
    m_text1->setPlainText(toQString(text));
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
    new KeyReleaseFilter(*m_check2, [&handlers](int key, int shift) { handlers.Check2_KeyUp(key, shift); });

    // Nothing moves the mouse over Picture1, which lies below the window's
    // edge: what reaches it is the tray icon's notifications, in pixels as
    // every mouse message, handed on in twips as every mouse position.
    m_handles.addWindow(*m_picture1, [&handlers, dpi = m_window.dpi()](WPARAM keys, int x, int y) {
        handlers.Picture1_MouseMove(buttonsOf(keys), shiftStateOf(keys), static_cast<float>(app::pixelsToTwips(x, dpi)),
                                    static_cast<float>(app::pixelsToTwips(y, dpi)));
    });
}

} // namespace tarnquill
