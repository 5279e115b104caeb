// SPDX-License-Identifier: MIT
#include "platform/linux/QtHandleTable.h"

#include <QGuiApplication>

#include <utility>

namespace tarnquill {

namespace {

// X resource ids, window ids among them, have their top three bits clear.
constexpr WId kLargestXId = 0x1FFFFFFF;

// The low and high words of an lParam, signed as GET_X_LPARAM and
// GET_Y_LPARAM read them.
int lowWord(LPARAM value)
{
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(value) & 0xFFFF);
}

int highWord(LPARAM value)
{
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(value) >> 16);
}

} // namespace

std::int32_t QtHandleTable::nextOwnHandle()
{
    return ++m_lastOwnHandle;
}

HWND QtHandleTable::addWindow(QWidget& widget, MouseMove onMouseMove)
{
    for (auto& [handle, entry] : m_windows) {
        if (entry.widget == &widget) {
            entry.onMouseMove = std::move(onMouseMove);
            return handle;
        }
    }

    HWND handle = 0;
    if (widget.isWindow() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        // winId() creates the X window now if the widget has none yet; a
        // top-level window gets one when it is shown anyway.
        const WId id = widget.winId();
        if (id != 0 && id <= kLargestXId)
            handle = static_cast<HWND>(id);
    }
    if (handle == 0)
        handle = nextOwnHandle();
    m_windows[handle] = WindowEntry{&widget, std::move(onMouseMove)};
    return handle;
}

HICON QtHandleTable::addIcon(const QIcon& icon)
{
    const HICON handle = nextOwnHandle();
    m_icons.emplace(handle, icon);
    return handle;
}

HDC QtHandleTable::addPaintTarget(QPaintDevice& device)
{
    const HDC handle = nextOwnHandle();
    m_paintTargets.emplace(handle, &device);
    return handle;
}

QPaintDevice* QtHandleTable::paintTarget(HDC handle) const
{
    const auto it = m_paintTargets.find(handle);
    return it == m_paintTargets.end() ? nullptr : it->second;
}

QWidget* QtHandleTable::widget(HWND handle) const
{
    const auto it = m_windows.find(handle);
    return it == m_windows.end() ? nullptr : it->second.widget.data();
}

QIcon QtHandleTable::icon(HICON handle) const
{
    const auto it = m_icons.find(handle);
    return it == m_icons.end() ? QIcon() : it->second;
}

bool QtHandleTable::sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
{
    const auto it = m_windows.find(window);
    if (it == m_windows.end() || it->second.widget.isNull())
        return false;
    if (message != WM_MOUSEMOVE || !it->second.onMouseMove)
        return false;
    // A copy: the handler may register this window again, or others.
    const MouseMove handler = it->second.onMouseMove;
    handler(wParam, lowWord(lParam), highWord(lParam));
    return true;
}

} // namespace tarnquill
