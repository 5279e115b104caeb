// SPDX-License-Identifier: MIT
#include "platform/linux/QtForm1Events.h"

#include "app/Twips.h"
#include "platform/linux/DesignControls.h"
#include "platform/linux/QtHandleTable.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>

namespace tarnquill {

namespace {

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

void routeForm1Events(const QtForm1Controls& controls, QtHandleTable& handles, app::Form1& handlers,
                      std::function<void()> afterCommand)
{
    DesignWindow& window = controls.window;
    QListView& list1 = controls.list1;
    QCheckBox& check2 = controls.check2;
    DesignPicture& picture1 = controls.picture1;

    // A click on the row that is already selected changes no selection but
    // shows that entry again (after the user typed into Text1, say); a click
    // that does change it reaches the handler twice, which shows the same.
    QObject::connect(list1.selectionModel(), &QItemSelectionModel::selectionChanged, &window,
                     [&handlers] { handlers.List1_Click(); });
    QObject::connect(&list1, &QAbstractItemView::clicked, &window, [&handlers] { handlers.List1_Click(); });

    for (const auto& control : window.design().controls) {
        if (control.name != "Label2")
            continue;
        auto* label = window.control<DesignLabel>(control.name, control.index);
        if (!label)
            continue;
        QObject::connect(label, &DesignLabel::clicked, &window,
                         [&handlers, afterCommand, index = control.index] {
                             handlers.Label2_Click(index);
                             if (afterCommand)
                                 afterCommand();
                         });
    }

    QObject::connect(&check2, &QCheckBox::clicked, &window, [&handlers] { handlers.Check2_Click(); });

    const double dpi = window.dpi();
    const auto twips = [dpi](qreal pixels) { return static_cast<float>(app::pixelsToTwips(pixels, dpi)); };
    auto& title = requiredForm1Control<DesignLabel>(window, "Label25");
    QObject::connect(&title, &DesignLabel::mousePressed, &window,
                     [&handlers, twips](QPointF at, Qt::MouseButton button) {
                         handlers.Label25_MouseDown(mouseButtonOf(button), shiftStateNow(), twips(at.x()),
                                                    twips(at.y()));
                     });
    QObject::connect(&title, &DesignLabel::mouseMoved, &window,
                     [&handlers, twips](QPointF at, Qt::MouseButtons buttons) {
                         handlers.Label25_MouseMove(mouseButtonsOf(buttons), shiftStateNow(), twips(at.x()),
                                                    twips(at.y()));
                     });
    QObject::connect(&title, &DesignLabel::mouseReleased, &window,
                     [&handlers, twips](QPointF at, Qt::MouseButton button) {
                         handlers.Label25_MouseUp(mouseButtonOf(button), shiftStateNow(), twips(at.x()),
                                                  twips(at.y()));
                     });

    for (const auto& control : window.design().controls) {
        auto* label = window.control<DesignLabel>(control.name, control.index);
        if (!label)
            continue;
        if (control.name == "Label2") {
            QObject::connect(label, &DesignLabel::mouseMoved, &window,
                             [&handlers, twips, index = control.index](QPointF at, Qt::MouseButtons buttons) {
                                 handlers.Label2_MouseMove(index, mouseButtonsOf(buttons), shiftStateNow(),
                                                           twips(at.x()), twips(at.y()));
                             });
        } else if (control.name == "Label1") {
            QObject::connect(label, &DesignLabel::clicked, &window,
                             [&handlers, index = control.index] { handlers.Label1_Click(index); });
        }
    }
    QObject::connect(&window, &DesignWindow::surfaceMouseMoved, &window, [&handlers, twips](QPointF at) {
        handlers.Form_MouseMove(mouseButtonsOf(QGuiApplication::mouseButtons()), shiftStateNow(), twips(at.x()),
                                twips(at.y()));
    });

    QObject::connect(&requiredForm1Control<DesignLabel>(window, "Label6"), &DesignLabel::clicked, &window,
                     [&handlers] { handlers.Label6_Click(); });
    QObject::connect(&requiredForm1Control<DesignLabel>(window, "Label3"), &DesignLabel::clicked, &window,
                     [&handlers] { handlers.Label3_Click(); });
    new CloseFilter(window, [&handlers] { handlers.Form_Unload(); });
    new KeyReleaseFilter(check2, [&handlers](int key, int shift) { handlers.Check2_KeyUp(key, shift); });

    // Nothing moves the mouse over Picture1, which lies below the window's
    // edge: what reaches it is the tray icon's notifications, in pixels as
    // every mouse message, which the handler turns into twips.
    handles.addWindow(picture1, [&handlers](WPARAM keys, int x, int y) {
        handlers.Picture1_TrayMessage(buttonsOf(keys), shiftStateOf(keys), x, y);
    });
}

} // namespace tarnquill
