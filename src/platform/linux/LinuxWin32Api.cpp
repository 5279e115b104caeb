// SPDX-License-Identifier: MIT
// The screen, the cursor, the message box, the running program, and the
// functions that have no stand-in on Linux yet.

#include "platform/linux/LinuxWin32Api.h"

#include "platform/NativePaths.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/XcbSupport.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace tarnquill {

namespace {

// The system's truth values (Win32Types.h leaves them to windows.h).
constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

constexpr double kDefaultDpi = 96.0;
constexpr double kTwipsPerInch = 1440.0;

// Button sets and icons of uType, and the buttons' answers.
constexpr UINT kButtonsMask = 0x0F;
constexpr UINT kOkCancel = 1;
constexpr UINT kAbortRetryIgnore = 2;
constexpr UINT kYesNoCancel = 3;
constexpr UINT kYesNo = 4;
constexpr UINT kRetryCancel = 5;
constexpr UINT kIconMask = 0xF0;
constexpr UINT kIconHand = 0x10;
constexpr UINT kIconQuestion = 0x20;
constexpr UINT kIconExclamation = 0x30;
constexpr UINT kIconAsterisk = 0x40;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

using xcb::atom;
template <typename T>
using XcbReply = xcb::Reply<T>;

xcb_connection_t* x11Connection()
{
    return xcb::connection();
}

// CARDINAL[] property of the root window; empty when it is missing.
std::vector<std::uint32_t> rootCardinals(xcb_connection_t* connection, xcb_window_t root, const char* name)
{
    const xcb_atom_t property = atom(connection, name);
    if (property == XCB_ATOM_NONE)
        return {};
    // 1024 words hold the work areas of 256 desktops.
    const auto cookie = xcb_get_property(connection, 0, root, property, XCB_ATOM_CARDINAL, 0, 1024);
    const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_CARDINAL)
        return {};
    const auto* words = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {words, words + xcb_get_property_value_length(reply.get()) / 4};
}

// The window manager's work area of the current desktop (EWMH), in X pixels.
std::optional<WinRect> ewmhWorkArea()
{
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr)
        return std::nullopt;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr)
        return std::nullopt;
    const std::vector<std::uint32_t> areas = rootCardinals(connection, screen->root, "_NET_WORKAREA");
    if (areas.size() < 4)
        return std::nullopt;
    std::size_t desktop = 0;
    const std::vector<std::uint32_t> current = rootCardinals(connection, screen->root, "_NET_CURRENT_DESKTOP");
    if (!current.empty() && (current.front() + 1) * 4 <= areas.size())
        desktop = current.front();
    const auto* area = &areas[desktop * 4];
    const auto x = static_cast<std::int32_t>(area[0]);
    const auto y = static_cast<std::int32_t>(area[1]);
    return WinRect{x, y, x + static_cast<std::int32_t>(area[2]), y + static_cast<std::int32_t>(area[3])};
}

// Qt measures in device-independent pixels with each screen's origin kept in
// device pixels; the seam measures in device pixels throughout.
QPoint toDevice(const QScreen& screen, QPointF logical)
{
    const QPointF origin = screen.geometry().topLeft();
    return (origin + (logical - origin) * screen.devicePixelRatio()).toPoint();
}

QPointF fromDevice(const QScreen& screen, QPoint device)
{
    const QPointF origin = screen.geometry().topLeft();
    return origin + (QPointF(device) - origin) / screen.devicePixelRatio();
}

QRect deviceGeometry(const QScreen& screen)
{
    return {screen.geometry().topLeft(), (QSizeF(screen.geometry().size()) * screen.devicePixelRatio()).toSize()};
}

double logicalDpi(bool vertical)
{
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    if (screen == nullptr)
        return kDefaultDpi;
    const double dpi = vertical ? screen->logicalDotsPerInchY() : screen->logicalDotsPerInchX();
    return dpi > 0 ? dpi : kDefaultDpi;
}

bool haveWidgets()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// A message box breaks lines at CR LF, CR or LF alike.
QString messageText(const std::string& text)
{
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

std::filesystem::path runningExecutable()
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

} // namespace

LinuxWin32Api::LinuxWin32Api(registry::RegistryStore& registry, QtHandleTable& handles)
    : m_registry(registry)
    , m_handles(handles)
{
}

LinuxWin32Api::~LinuxWin32Api()
{
    // Directly: no click handler of these icons can be running now.
    for (auto& [key, entry] : m_tray)
        delete entry.icon;
}

// ---- Screen, cursor, message box ---------------------------------------------

BOOL LinuxWin32Api::SystemParametersInfoA(UINT uiAction, UINT, WinRect& rect, UINT)
{
    if (uiAction != SPI_GETWORKAREA)
        return FALSE;
    if (const auto area = ewmhWorkArea()) {
        rect = *area;
        return TRUE;
    }
    // No window manager that publishes a work area (or not X11): what Qt
    // knows of the primary screen's panels.
    const QScreen* screen =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
    if (screen == nullptr)
        return FALSE;
    const QRect available = screen->availableGeometry();
    const QPointF origin = available.topLeft();
    const QPoint topLeft = toDevice(*screen, origin);
    const QPoint bottomRight = toDevice(*screen, origin + QPointF(available.width(), available.height()));
    rect = WinRect{topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y()};
    return TRUE;
}

BOOL LinuxWin32Api::GetCursorPos(WinPoint& point)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return FALSE;
    const QPoint logical = QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(logical);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return FALSE;
    const QPoint device = toDevice(*screen, logical);
    point = WinPoint{device.x(), device.y()};
    return TRUE;
}

BOOL LinuxWin32Api::SetCursorPos(int X, int Y)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return FALSE;
    const QPoint device(X, Y);
    QScreen* target = QGuiApplication::primaryScreen();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (deviceGeometry(*screen).contains(device)) {
            target = screen;
            break;
        }
    }
    if (target == nullptr)
        return FALSE;
    QCursor::setPos(target, fromDevice(*target, device).toPoint());
    return TRUE;
}

int LinuxWin32Api::MessageBoxA(HWND hWnd, const std::string& text, const std::string& caption, UINT uType)
{
    if (!haveWidgets())
        return 0;
    QMessageBox box(m_handles.widget(hWnd));
    box.setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    box.setTextFormat(Qt::PlainText);
    box.setText(messageText(text));
    box.setWindowModality(Qt::ApplicationModal);

    switch (uType & kIconMask) {
    case kIconHand:
        box.setIcon(QMessageBox::Critical);
        break;
    case kIconQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case kIconExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case kIconAsterisk:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }

    // Each button with the answer the system gives for it.
    std::vector<std::pair<QMessageBox::StandardButton, int>> buttons;
    switch (uType & kButtonsMask) {
    case kOkCancel:
        buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, kIdCancel}};
        break;
    case kAbortRetryIgnore:
        buttons = {{QMessageBox::Abort, kIdAbort}, {QMessageBox::Retry, kIdRetry}, {QMessageBox::Ignore, kIdIgnore}};
        break;
    case kYesNoCancel:
        buttons = {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::Cancel, kIdCancel}};
        break;
    case kYesNo:
        buttons = {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}};
        break;
    case kRetryCancel:
        buttons = {{QMessageBox::Retry, kIdRetry}, {QMessageBox::Cancel, kIdCancel}};
        break;
    default:
        buttons = {{QMessageBox::Ok, IDOK}};
        break;
    }
    QMessageBox::StandardButtons set;
    for (const auto& [button, answer] : buttons)
        set |= button;
    box.setStandardButtons(set);
    box.setDefaultButton(buttons.front().first);

    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [button, answer] : buttons) {
        if (button == pressed)
            return answer;
    }
    // Closed without a button (Escape, the close box): the box's Cancel, or
    // its only button.
    for (const auto& [button, answer] : buttons) {
        if (answer == kIdCancel)
            return answer;
    }
    return buttons.size() == 1 ? buttons.front().second : kIdCancel;
}

float LinuxWin32Api::TwipsPerPixelX()
{
    return static_cast<float>(kTwipsPerInch / logicalDpi(false));
}

float LinuxWin32Api::TwipsPerPixelY()
{
    return static_cast<float>(kTwipsPerInch / logicalDpi(true));
}

// ---- Menus: Qt windows of this program have no Win32 menu bar ----------------

HMENU LinuxWin32Api::GetMenu(HWND)
{
    return 0;
}

HMENU LinuxWin32Api::GetSubMenu(HMENU, int)
{
    return 0;
}

UINT LinuxWin32Api::GetMenuItemID(HMENU, int)
{
    return 0xFFFFFFFFu;
}

BOOL LinuxWin32Api::SetMenuItemBitmaps(HMENU, UINT, UINT, HBITMAP, HBITMAP)
{
    return FALSE;
}

// ---- Timing ----------------------------------------------------------------------

void LinuxWin32Api::DoEvents()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents();
}

std::int64_t LinuxWin32Api::Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toSecsSinceEpoch() + now.offsetFromUtc();
}

// ---- Shell and the running program -----------------------------------------------------

std::string LinuxWin32Api::AppPath()
{
    return native::programFolder().string();
}

std::string LinuxWin32Api::AppExeName()
{
    return runningExecutable().stem().string();
}

std::string LinuxWin32Api::AppCommandLine()
{
    // The arguments after the program's own name, blank-separated; one that
    // holds a blank, or is empty, in double quotes, so it reads back whole.
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::string line;
    std::size_t start = all.find('\0');
    while (start != std::string::npos && start + 1 < all.size()) {
        const std::size_t end = all.find('\0', start + 1);
        const std::string argument = all.substr(start + 1, end == std::string::npos ? end : end - start - 1);
        if (!line.empty())
            line += ' ';
        if (argument.empty() || argument.find_first_of(" \t") != std::string::npos)
            line += '"' + argument + '"';
        else
            line += argument;
        start = end;
    }
    return line;
}

} // namespace tarnquill
