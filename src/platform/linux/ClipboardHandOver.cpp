// SPDX-License-Identifier: MIT
#include "platform/linux/ClipboardHandOver.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace tarnquill {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

xcb_atom_t internAtom(xcb_connection_t* connection, std::string_view name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Sees Qt's X events before Qt does and ends the wait at the manager's
// answer, which goes to a window Qt does not know.
class SaveAnswerFilter final : public QAbstractNativeEventFilter {
public:
    SaveAnswerFilter(xcb_window_t window, xcb_atom_t manager, QEventLoop& loop)
        : m_window(window)
        , m_manager(manager)
        , m_loop(loop)
    {
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            return false;
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        if (notify->requestor != m_window || notify->selection != m_manager)
            return false;
        m_saved = notify->property != XCB_ATOM_NONE;
        m_loop.quit();
        return true;
    }

    bool saved() const { return m_saved; }

private:
    xcb_window_t m_window;
    xcb_atom_t m_manager;
    QEventLoop& m_loop;
    bool m_saved = false;
};

} // namespace

bool handClipboardToManager(QClipboard& clipboard, std::chrono::milliseconds deadline)
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !clipboard.ownsClipboard())
        return false;
    const xcb_atom_t manager = internAtom(connection, "CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = internAtom(connection, "SAVE_TARGETS");
    const xcb_atom_t property = internAtom(connection, "TARNQUILL_SAVE_TARGETS");
    const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, manager), nullptr));
    if (!owner || owner->owner == XCB_WINDOW_NONE)
        return false;

    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);

    QEventLoop loop;
    SaveAnswerFilter filter(window, manager, loop);
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    QTimer::singleShot(deadline, &loop, &QEventLoop::quit);
    // No list of targets in the property: the manager saves them all.
    xcb_convert_selection(connection, window, manager, saveTargets, property, XCB_CURRENT_TIME);
    xcb_flush(connection);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::instance()->removeNativeEventFilter(&filter);
    xcb_destroy_window(connection, window);
    xcb_flush(connection);
    return filter.saved();
}

} // namespace tarnquill
