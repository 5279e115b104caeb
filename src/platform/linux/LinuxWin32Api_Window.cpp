// SPDX-License-Identifier: MIT
// Window and desktop functions on a Linux desktop, for any window of any
// program: a window handle is the X window id. Z-order, topmost, show and hide
// and moves go through the window manager's EWMH messages; click-through is an
// empty input shape (XShape), the hidden cursor XFixes', hot keys are key
// grabs on the root window; log-off and shutdown ask logind. Handles of the
// program's own controls (toolbars) resolve through the QtHandleTable.

#include "platform/linux/LinuxWin32Api.h"

#include "platform/linux/QtHandleTable.h"
#include "platform/linux/Wallpaper.h"
#include "platform/linux/XcbSupport.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>
#include <QWindow>

#include <xcb/shape.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace tarnquill {

namespace {

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

constexpr UINT kSwpNoZOrder = 0x0004;
constexpr LONG kWsExTopmost = 0x00000008;
constexpr LONG kWsExToolWindow = 0x00000080;

// _NET_WM_STATE actions and _NET_WM_MOVERESIZE's move.
constexpr std::uint32_t kStateRemove = 0;
constexpr std::uint32_t kStateAdd = 1;
constexpr std::uint32_t kMoveResizeMove = 8;
// EWMH source indication: 1 an application, 2 a pager (a user's direct action).
constexpr std::uint32_t kSourceApplication = 1;
constexpr std::uint32_t kSourcePager = 2;

// Hot-key modifier flags of WM_SETHOTKEY's high byte.
constexpr unsigned kHotKeyShift = 1;
constexpr unsigned kHotKeyControl = 2;
constexpr unsigned kHotKeyAlt = 4;

using xcb::Reply;

xcb_atom_t atomOf(xcb_connection_t* c, const char* name)
{
    return xcb::atom(c, name);
}

bool isWindow(xcb_connection_t* c, xcb_window_t window)
{
    if (window == 0)
        return false;
    const Reply<xcb_get_window_attributes_reply_t> reply(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return reply != nullptr;
}

bool isViewable(xcb_connection_t* c, xcb_window_t window)
{
    const Reply<xcb_get_window_attributes_reply_t> reply(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

Reply<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                                         std::uint32_t words = 1024)
{
    return Reply<xcb_get_property_reply_t>(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, words), nullptr));
}

std::vector<xcb_atom_t> atomList(xcb_connection_t* c, xcb_window_t window, const char* name)
{
    const auto reply = property(c, window, atomOf(c, name), XCB_ATOM_ATOM);
    if (!reply || reply->format != 32)
        return {};
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return {atoms, atoms + xcb_get_property_value_length(reply.get()) / 4};
}

bool hasAtom(xcb_connection_t* c, xcb_window_t window, const char* list, const char* name)
{
    const auto atoms = atomList(c, window, list);
    return std::find(atoms.begin(), atoms.end(), atomOf(c, name)) != atoms.end();
}

std::optional<std::string> textProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name)
{
    const auto reply = property(c, window, name, XCB_GET_PROPERTY_TYPE_ANY);
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8)
        return std::nullopt;
    const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(text, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

// _NET_WM_NAME (UTF-8), else WM_NAME; "" for a window without a title.
std::string title(xcb_connection_t* c, xcb_window_t window)
{
    if (auto name = textProperty(c, window, atomOf(c, "_NET_WM_NAME")))
        return *name;
    return textProperty(c, window, XCB_ATOM_WM_NAME).value_or(std::string());
}

// WM_CLASS: instance and class name, each NUL-terminated.
std::optional<std::array<std::string, 2>> windowClass(xcb_connection_t* c, xcb_window_t window)
{
    const auto text = textProperty(c, window, XCB_ATOM_WM_CLASS);
    if (!text)
        return std::nullopt;
    const std::size_t nul = text->find('\0');
    std::array<std::string, 2> names{text->substr(0, nul), std::string()};
    if (nul != std::string::npos) {
        names[1] = text->substr(nul + 1);
        names[1] = names[1].substr(0, names[1].find('\0'));
    }
    return names;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Children from the top of the stacking order down, as Windows searches.
std::vector<xcb_window_t> childrenTopFirst(xcb_connection_t* c, xcb_window_t parent)
{
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    std::vector<xcb_window_t> list(children, children + xcb_query_tree_children_length(tree.get()));
    std::reverse(list.begin(), list.end());
    return list;
}

// The applications' top-level windows: children of the root with a WM_CLASS,
// and the clients a window manager reparented into its frames.
std::vector<xcb_window_t> topLevelWindows(xcb_connection_t* c)
{
    std::vector<xcb_window_t> windows;
    for (const xcb_window_t child : childrenTopFirst(c, xcb::root(c))) {
        if (windowClass(c, child)) {
            windows.push_back(child);
            continue;
        }
        for (const xcb_window_t client : childrenTopFirst(c, child)) {
            if (windowClass(c, client))
                windows.push_back(client);
        }
    }
    return windows;
}

bool matches(xcb_connection_t* c, xcb_window_t window, const std::optional<std::string>& className,
             const std::optional<std::string>& windowName)
{
    if (className) {
        const auto names = windowClass(c, window);
        if (!names || !(equalsIgnoringCase(names->at(0), *className) || equalsIgnoringCase(names->at(1), *className)))
            return false;
    }
    return !windowName || title(c, window) == *windowName;
}

void sendToRoot(xcb_connection_t* c, xcb_window_t window, const char* type, std::array<std::uint32_t, 5> data)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atomOf(c, type);
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(c, 0, xcb::root(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

// Adds or removes a _NET_WM_STATE entry: through the window manager for a
// mapped window; in the property itself for an unmapped one, which the window
// manager reads when the window is mapped.
void changeState(xcb_connection_t* c, xcb_window_t window, std::uint32_t action, const char* state)
{
    const xcb_atom_t stateAtom = atomOf(c, state);
    if (isViewable(c, window)) {
        sendToRoot(c, window, "_NET_WM_STATE", {action, stateAtom, 0, kSourcePager, 0});
        return;
    }
    auto atoms = atomList(c, window, "_NET_WM_STATE");
    atoms.erase(std::remove(atoms.begin(), atoms.end(), stateAtom), atoms.end());
    if (action == kStateAdd)
        atoms.push_back(stateAtom);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atomOf(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(atoms.size()), atoms.data());
}

void restack(xcb_connection_t* c, xcb_window_t window, std::uint32_t stackMode)
{
    // The request a window manager honours for its clients (_NET_RESTACK_WINDOW),
    // and the plain one that works without a window manager.
    sendToRoot(c, window, "_NET_RESTACK_WINDOW", {kSourcePager, XCB_NONE, stackMode, 0, 0});
    xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &stackMode);
}

// Withdraws a window as ICCCM asks: unmapped, and the window manager told.
void withdraw(xcb_connection_t* c, xcb_window_t window)
{
    xcb_unmap_window(c, window);
    xcb_unmap_notify_event_t event{};
    event.response_type = XCB_UNMAP_NOTIFY;
    event.event = xcb::root(c);
    event.window = window;
    xcb_send_event(c, 0, xcb::root(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

// The child of the root that holds a window: its frame when a window
// manager reparented it, else the window itself.
xcb_window_t frameOf(xcb_connection_t* c, xcb_window_t window)
{
    const xcb_window_t root = xcb::root(c);
    for (xcb_window_t current = window;;) {
        const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr));
        if (!tree || tree->parent == root || tree->parent == XCB_NONE)
            return current;
        current = tree->parent;
    }
}

bool inputShapeIsEmpty(xcb_connection_t* c, xcb_window_t window)
{
    const Reply<xcb_shape_get_rectangles_reply_t> reply(
        xcb_shape_get_rectangles_reply(c, xcb_shape_get_rectangles(c, window, XCB_SHAPE_SK_INPUT), nullptr));
    return reply && reply->rectangles_len == 0;
}

// The extended style an X window shows: topmost (the "above" state), tool
// window (a utility or toolbar window), click-through (an empty input shape).
LONG extendedStyleOf(xcb_connection_t* c, xcb_window_t window)
{
    LONG style = 0;
    if (hasAtom(c, window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"))
        style |= kWsExTopmost;
    if (hasAtom(c, window, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_UTILITY")
        || hasAtom(c, window, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_TOOLBAR"))
        style |= kWsExToolWindow;
    if (inputShapeIsEmpty(c, window))
        style |= WS_EX_TRANSPARENT;
    return style;
}

// The X keysym of a virtual-key code that a hot key may use; 0 for none.
xcb_keysym_t keysymOf(unsigned vk)
{
    if ((vk >= '0' && vk <= '9'))
        return vk;
    if (vk >= 'A' && vk <= 'Z')
        return vk - 'A' + 'a';
    if (vk >= 0x70 && vk <= 0x87) // F1..F24
        return 0xffbe + (vk - 0x70);
    if (vk >= 0x60 && vk <= 0x69) // the keypad's digits
        return 0xffb0 + (vk - 0x60);
    switch (vk) {
    case 0x21: return 0xff55; // Prior
    case 0x22: return 0xff56; // Next
    case 0x23: return 0xff57; // End
    case 0x24: return 0xff50; // Home
    case 0x25: return 0xff51; // Left
    case 0x26: return 0xff52; // Up
    case 0x27: return 0xff53; // Right
    case 0x28: return 0xff54; // Down
    case 0x2D: return 0xff63; // Insert
    case 0x2E: return 0xffff; // Delete
    default: return 0;
    }
}

} // namespace

// Global hot keys set with WM_SETHOTKEY: key grabs on the root window whose
// press brings their window forward, while this program runs.
class LinuxWin32Api::HotKeys final : public QAbstractNativeEventFilter {
public:
    explicit HotKeys(xcb_connection_t* connection)
        : m_connection(connection)
        , m_symbols(xcb_key_symbols_alloc(connection))
    {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
            dispatcher->installNativeEventFilter(this);
    }
    ~HotKeys() override
    {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
            dispatcher->removeNativeEventFilter(this);
        for (const auto& [window, key] : m_keys)
            grab(key, false);
        xcb_key_symbols_free(m_symbols);
    }

    // WM_SETHOTKEY's result: 1 set (or removed, key 0), 2 set although
    // another window (or another program's grab) has the same key, -1 a key
    // that cannot be a hot key.
    LRESULT set(xcb_window_t window, unsigned key)
    {
        const auto old = m_keys.find(window);
        if (old != m_keys.end()) {
            const unsigned previous = old->second;
            m_keys.erase(old);
            if (!usedByAnother(previous))
                grab(previous, false);
        }
        if (key == 0)
            return 1;
        if (keycodeOf(key) == 0)
            return -1;
        const bool shared = usedByAnother(key);
        m_keys[window] = key;
        if (shared)
            return 2;
        return grab(key, true) ? 1 : 2;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
            return false;
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
        const std::uint16_t modifiers =
            press->state & (XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
        for (const auto& [window, key] : m_keys) {
            if (keycodeOf(key) == press->detail && modifiersOf(key) == modifiers) {
                bringForward(window);
                return true;
            }
        }
        return false;
    }

private:
    bool usedByAnother(unsigned key) const
    {
        return std::any_of(m_keys.begin(), m_keys.end(), [key](const auto& entry) { return entry.second == key; });
    }

    xcb_keycode_t keycodeOf(unsigned key) const
    {
        const xcb_keysym_t symbol = keysymOf(key & 0xFF);
        if (symbol == 0 || m_symbols == nullptr)
            return 0;
        const Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(m_symbols, symbol));
        return codes ? codes.get()[0] : 0;
    }

    static std::uint16_t modifiersOf(unsigned key)
    {
        const unsigned flags = (key >> 8) & 0xFF;
        std::uint16_t mask = 0;
        if (flags & kHotKeyShift)
            mask |= XCB_MOD_MASK_SHIFT;
        if (flags & kHotKeyControl)
            mask |= XCB_MOD_MASK_CONTROL;
        if (flags & kHotKeyAlt)
            mask |= XCB_MOD_MASK_1;
        return mask;
    }

    // Grabs (or ungrabs) the key with Caps Lock and Num Lock in any state;
    // false when another program holds it.
    bool grab(unsigned key, bool on)
    {
        const xcb_keycode_t code = keycodeOf(key);
        const xcb_window_t root = xcb::root(m_connection);
        bool ok = true;
        for (const unsigned locks : {0u, unsigned{XCB_MOD_MASK_LOCK}, unsigned{XCB_MOD_MASK_2},
                                      unsigned{XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2}}) {
            const auto modifiers = static_cast<std::uint16_t>(modifiersOf(key) | locks);
            if (on) {
                const Reply<xcb_generic_error_t> error(xcb_request_check(
                    m_connection, xcb_grab_key_checked(m_connection, 1, root, modifiers, code, XCB_GRAB_MODE_ASYNC,
                                                       XCB_GRAB_MODE_ASYNC)));
                ok = ok && !error;
            } else {
                xcb_ungrab_key(m_connection, code, root, modifiers);
            }
        }
        xcb_flush(m_connection);
        return ok;
    }

    void bringForward(xcb_window_t window)
    {
        xcb_map_window(m_connection, window);
        sendToRoot(m_connection, window, "_NET_ACTIVE_WINDOW", {kSourcePager, XCB_CURRENT_TIME, 0, 0, 0});
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(m_connection);
    }

    xcb_connection_t* m_connection;
    xcb_key_symbols_t* m_symbols;
    std::map<xcb_window_t, unsigned> m_keys;
};

// ---- Placement, style, search -----------------------------------------------------

BOOL LinuxWin32Api::SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    const bool show = (uFlags & SWP_SHOWWINDOW) != 0;
    const bool hide = (uFlags & SWP_HIDEWINDOW) != 0;
    // The program's own controls have no X window: shown, hidden, moved in Qt.
    if (QWidget* widget = m_handles.widget(hWnd); widget != nullptr && !widget->isWindow()) {
        if (show || hide) {
            widget->setVisible(show);
            return TRUE;
        }
        if (!(uFlags & SWP_NOMOVE))
            widget->move(X, Y);
        if (!(uFlags & SWP_NOSIZE))
            widget->resize(cx, cy);
        return TRUE;
    }

    xcb_connection_t* c = xcb::connection();
    const auto window = static_cast<xcb_window_t>(hWnd);
    if (c == nullptr || !isWindow(c, window))
        return FALSE;

    if (show)
        xcb_map_window(c, window);

    if (!(uFlags & kSwpNoZOrder)) {
        switch (hWndInsertAfter) {
        case HWND_TOPMOST:
            changeState(c, window, kStateRemove, "_NET_WM_STATE_BELOW");
            changeState(c, window, kStateAdd, "_NET_WM_STATE_ABOVE");
            break;
        case HWND_NOTOPMOST:
            changeState(c, window, kStateRemove, "_NET_WM_STATE_ABOVE");
            break;
        case HWND_BOTTOM:
            // The bottom of the order takes a window out of the topmost ones.
            changeState(c, window, kStateRemove, "_NET_WM_STATE_ABOVE");
            restack(c, window, XCB_STACK_MODE_BELOW);
            break;
        case HWND_TOP:
            restack(c, window, XCB_STACK_MODE_ABOVE);
            break;
        default:
            break;
        }
    }

    // With a show or hide flag the window keeps its place and size.
    if (!show && !hide) {
        std::uint16_t mask = 0;
        std::vector<std::uint32_t> values;
        if (!(uFlags & SWP_NOMOVE)) {
            mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
            values.push_back(static_cast<std::uint32_t>(X));
            values.push_back(static_cast<std::uint32_t>(Y));
        }
        if (!(uFlags & SWP_NOSIZE) && cx > 0 && cy > 0) {
            mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
            values.push_back(static_cast<std::uint32_t>(cx));
            values.push_back(static_cast<std::uint32_t>(cy));
        }
        if (mask != 0)
            xcb_configure_window(c, window, mask, values.data());
    }

    if (hide)
        withdraw(c, window);
    xcb_flush(c);
    return TRUE;
}

LONG LinuxWin32Api::SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong)
{
    if (nIndex != GWL_EXSTYLE)
        return 0;
    if (QWidget* widget = m_handles.widget(hWnd); widget != nullptr && !widget->isWindow()) {
        const LONG previous = widget->testAttribute(Qt::WA_TransparentForMouseEvents) ? WS_EX_TRANSPARENT : 0;
        widget->setAttribute(Qt::WA_TransparentForMouseEvents, (dwNewLong & WS_EX_TRANSPARENT) != 0);
        return previous;
    }
    xcb_connection_t* c = xcb::connection();
    const auto window = static_cast<xcb_window_t>(hWnd);
    if (c == nullptr || !isWindow(c, window))
        return 0;
    const LONG previous = extendedStyleOf(c, window);
    // The window and the window manager's frame around it (which does not
    // take over a client's input shape): with no input region, clicks fall
    // through to whatever lies beneath.
    const xcb_window_t frame = frameOf(c, window);
    if (dwNewLong & WS_EX_TRANSPARENT) {
        for (const xcb_window_t target : {window, frame})
            xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, target, 0, 0,
                                 0, nullptr);
    } else if (previous & WS_EX_TRANSPARENT) {
        // Back to the whole window; a window manager that followed the
        // client's input shape onto its frame's parts is undone there too.
        std::vector<xcb_window_t> targets{window, frame};
        if (frame != window) {
            const auto parts = childrenTopFirst(c, frame);
            targets.insert(targets.end(), parts.begin(), parts.end());
        }
        for (const xcb_window_t target : targets)
            xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, target, 0, 0, XCB_NONE);
    }
    xcb_flush(c);
    return previous;
}

HWND LinuxWin32Api::FindWindowA(const std::optional<std::string>& className,
                                const std::optional<std::string>& windowName)
{
    xcb_connection_t* c = xcb::connection();
    if (c == nullptr)
        return 0;
    // The taskbar is the desktop's panel: its first dock window, whatever
    // the panel calls itself.
    const bool taskbar = className && equalsIgnoringCase(*className, "Shell_TrayWnd");
    for (const xcb_window_t window : topLevelWindows(c)) {
        if (taskbar ? hasAtom(c, window, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK")
                    : matches(c, window, className, windowName))
            return static_cast<HWND>(window);
    }
    return 0;
}

HWND LinuxWin32Api::FindWindowExA(HWND hWndParent, HWND hWndChildAfter, const std::optional<std::string>& className,
                                  const std::optional<std::string>& windowName)
{
    // The program's own toolbars are Qt's, inside their window.
    if (QWidget* parent = m_handles.widget(hWndParent)) {
        if (className && !equalsIgnoringCase(*className, "ToolbarWindow32"))
            return 0;
        bool past = hWndChildAfter == 0;
        for (QToolBar* toolbar : parent->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly)) {
            const HWND handle = m_handles.addWindow(*toolbar);
            if (past && (!windowName || toolbar->windowTitle().toStdString() == *windowName))
                return handle;
            past = past || handle == hWndChildAfter;
        }
        return 0;
    }
    xcb_connection_t* c = xcb::connection();
    if (c == nullptr)
        return 0;
    const std::vector<xcb_window_t> children = hWndParent == 0
        ? topLevelWindows(c)
        : childrenTopFirst(c, static_cast<xcb_window_t>(hWndParent));
    bool past = hWndChildAfter == 0;
    for (const xcb_window_t child : children) {
        if (past && matches(c, child, className, windowName))
            return static_cast<HWND>(child);
        past = past || child == static_cast<xcb_window_t>(hWndChildAfter);
    }
    return 0;
}

// ---- Messages ---------------------------------------------------------------------

LRESULT LinuxWin32Api::SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION)
            startMove(hWnd);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE)
            startScreenSaver();
        return 0;
    case WM_SETHOTKEY:
        return setHotKey(hWnd, static_cast<unsigned>(wParam) & 0xFFFF);
    case TB_GETSTYLE:
    case TB_SETSTYLE:
        return toolbarStyle(hWnd, msg, lParam);
    default:
        m_handles.sendMessage(hWnd, msg, wParam, lParam);
        return 0;
    }
}

void LinuxWin32Api::startMove(HWND hWnd)
{
    // The program's own window moves as Qt asks the window manager to.
    if (QWidget* widget = m_handles.widget(hWnd)) {
        if (QWindow* window = widget->window()->windowHandle())
            window->startSystemMove();
        return;
    }
    xcb_connection_t* c = xcb::connection();
    const auto window = static_cast<xcb_window_t>(hWnd);
    if (c == nullptr || !isWindow(c, window))
        return;
    const Reply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(c, xcb_query_pointer(c, xcb::root(c)), nullptr));
    if (!pointer)
        return;
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    sendToRoot(c, window, "_NET_WM_MOVERESIZE",
               {static_cast<std::uint32_t>(pointer->root_x), static_cast<std::uint32_t>(pointer->root_y),
                kMoveResizeMove, XCB_BUTTON_INDEX_1, kSourceApplication});
    xcb_flush(c);
}

void LinuxWin32Api::startScreenSaver()
{
    // The desktop's screen saver when one serves the session bus, else the X
    // server's own.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("SetActive"));
        call << true;
        const QDBusMessage answer = bus.call(call, QDBus::Block, 5000);
        if (answer.type() == QDBusMessage::ReplyMessage)
            return;
    }
    if (xcb_connection_t* c = xcb::connection()) {
        xcb_force_screen_saver(c, XCB_SCREEN_SAVER_ACTIVE);
        xcb_flush(c);
    }
}

LRESULT LinuxWin32Api::setHotKey(HWND hWnd, unsigned key)
{
    xcb_connection_t* c = xcb::connection();
    if (c == nullptr || !isWindow(c, static_cast<xcb_window_t>(hWnd)))
        return 0;
    if (!m_hotKeys)
        m_hotKeys = std::make_shared<HotKeys>(c);
    return m_hotKeys->set(static_cast<xcb_window_t>(hWnd), key);
}

LRESULT LinuxWin32Api::toolbarStyle(HWND hWnd, UINT msg, LPARAM style)
{
    auto* toolbar = qobject_cast<QToolBar*>(m_handles.widget(hWnd));
    if (toolbar == nullptr)
        return 0;
    // Qt's toolbar buttons are flat (raised under the mouse) unless told
    // otherwise; the style word is kept on the toolbar for the next reading.
    static constexpr const char* kStyle = "tarnquillToolbarStyle";
    if (msg == TB_GETSTYLE)
        return toolbar->property(kStyle).isValid() ? toolbar->property(kStyle).toInt() : TBSTYLE_FLAT;
    toolbar->setProperty(kStyle, style);
    for (QToolButton* button : toolbar->findChildren<QToolButton*>())
        button->setAutoRaise((style & TBSTYLE_FLAT) != 0);
    return 0;
}

LRESULT LinuxWin32Api::DefWindowProcA(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

BOOL LinuxWin32Api::ReleaseCapture()
{
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    if (xcb_connection_t* c = xcb::connection()) {
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
    return TRUE;
}

int LinuxWin32Api::ShowCursor(BOOL bShow)
{
    const int previous = m_cursorCount;
    m_cursorCount += bShow ? 1 : -1;
    // The pointer is hidden while the count is below 0, as on Windows.
    const bool crossed = (previous >= 0) != (m_cursorCount >= 0);
    xcb_connection_t* c = xcb::connection();
    if (crossed && c != nullptr) {
        const Reply<xcb_xfixes_query_version_reply_t> version(
            xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
        if (version && version->major_version >= 4) {
            if (m_cursorCount < 0)
                xcb_xfixes_hide_cursor(c, xcb::root(c));
            else
                xcb_xfixes_show_cursor(c, xcb::root(c));
            xcb_flush(c);
        }
    }
    return m_cursorCount;
}

// ---- Session ---------------------------------------------------------------------------

BOOL LinuxWin32Api::ExitWindowsEx(UINT uFlags, DWORD)
{
    // logind on the system bus, and nothing else: the session ends, or the
    // machine powers off or restarts. Without EWX_FORCE, applications that
    // hold a delay inhibitor are asked first (logind's own rule).
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return FALSE;
    const QString service = QStringLiteral("org.freedesktop.login1");
    const QString managerPath = QStringLiteral("/org/freedesktop/login1");
    const QString manager = QStringLiteral("org.freedesktop.login1.Manager");
    QDBusMessage call;
    if (uFlags & EWX_SHUTDOWN) {
        call = QDBusMessage::createMethodCall(service, managerPath, manager, QStringLiteral("PowerOff"));
        call << true;
    } else if (uFlags & EWX_REBOOT) {
        call = QDBusMessage::createMethodCall(service, managerPath, manager, QStringLiteral("Reboot"));
        call << true;
    } else {
        // Log off: this session, by its id when the session names it.
        const char* id = std::getenv("XDG_SESSION_ID");
        if (id != nullptr && *id != '\0') {
            call = QDBusMessage::createMethodCall(service, managerPath, manager, QStringLiteral("TerminateSession"));
            call << QString::fromUtf8(id);
        } else {
            QDBusMessage find = QDBusMessage::createMethodCall(service, managerPath, manager,
                                                               QStringLiteral("GetSessionByPID"));
            find << static_cast<quint32>(::getpid());
            const QDBusReply<QDBusObjectPath> session = bus.call(find);
            if (!session.isValid())
                return FALSE;
            call = QDBusMessage::createMethodCall(service, session.value().path(),
                                                  QStringLiteral("org.freedesktop.login1.Session"),
                                                  QStringLiteral("Terminate"));
        }
    }
    return bus.call(call).type() == QDBusMessage::ReplyMessage ? TRUE : FALSE;
}

// ---- System parameters -----------------------------------------------------------------

BOOL LinuxWin32Api::SystemParametersInfoA(UINT uiAction, UINT, const std::string& text, UINT)
{
    if (uiAction != SPI_SETDESKWALLPAPER)
        return FALSE;
    return setDesktopWallpaper(text) ? TRUE : FALSE;
}

BOOL LinuxWin32Api::SystemParametersInfoA(UINT, UINT, BOOL&, UINT)
{
    // The screen-saver-running flag (which also masked the secure-attention
    // keys) has no meaning on an X desktop.
    return FALSE;
}

} // namespace tarnquill
