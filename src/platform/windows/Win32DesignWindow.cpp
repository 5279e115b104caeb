// SPDX-License-Identifier: MIT
#include "platform/windows/Win32DesignWindow.h"

#include "app/Twips.h"
#include "platform/windows/WideText.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

namespace tarnquill {

namespace {

constexpr wchar_t kWindowClass[] = L"TarnquillWindow";
constexpr wchar_t kLabelClass[] = L"TarnquillLabel";
constexpr wchar_t kPictureClass[] = L"TarnquillPicture";

// Three pixels on, three off: the dotted pen of the desktop the design was
// drawn on; GDI's PS_DOT differs between systems.
constexpr int kDotRun = 3;

void registerClasses(WNDPROC windowProc, WNDPROC controlProc, ::HICON icon)
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    const ::HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW window{};
    window.lpfnWndProc = windowProc;
    window.hInstance = instance;
    window.hIcon = icon;
    window.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)) /* IDC_ARROW */;
    window.lpszClassName = kWindowClass;
    ::RegisterClassW(&window);
    WNDCLASSW control{};
    control.lpfnWndProc = controlProc;
    control.hInstance = instance;
    control.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)) /* IDC_ARROW */;
    control.lpszClassName = kLabelClass;
    ::RegisterClassW(&control);
    control.lpszClassName = kPictureClass;
    ::RegisterClassW(&control);
}

double screenDpi()
{
    const ::HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : app::kDefaultDpi;
}

RECT pixelRect(const app::TwipRect& twips, double dpi)
{
    const app::PixelRect pixels = app::toPixels(twips, dpi);
    return {pixels.left, pixels.top, pixels.right(), pixels.bottom()};
}

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, ::DWORD, ::LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool faceInstalled(const std::wstring& face)
{
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    face.copy(query.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    const ::HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(screen, &query, &noteFace, reinterpret_cast<::LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, screen);
    return found;
}

// The face the system's dialogs and message boxes use.
std::wstring systemUiFace()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return metrics.lfMessageFont.lfFaceName;
    return L"Tahoma";
}

void drawDotted(::HDC dc, POINT from, POINT to, COLORREF colour)
{
    const int dx = to.x - from.x;
    const int dy = to.y - from.y;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int i = 0; i <= steps; ++i) {
        if ((i / kDotRun) % 2 != 0)
            continue;
        const int x = steps ? from.x + static_cast<int>(std::lround(static_cast<double>(dx) * i / steps)) : from.x;
        const int y = steps ? from.y + static_cast<int>(std::lround(static_cast<double>(dy) * i / steps)) : from.y;
        ::SetPixelV(dc, x, y, colour);
    }
}

} // namespace

COLORREF systemColour(app::Colour colour)
{
    switch (colour.kind()) {
    case app::Colour::Kind::WindowBackground:
        return ::GetSysColor(COLOR_WINDOW);
    case app::Colour::Kind::WindowText:
        return ::GetSysColor(COLOR_WINDOWTEXT);
    case app::Colour::Kind::Rgb:
        break;
    }
    return RGB(colour.red(), colour.green(), colour.blue());
}

Win32DesignWindow::Win32DesignWindow(const app::WindowDesign& design, ::HICON programIcon)
    : m_design(design)
    , m_programIcon(programIcon)
    , m_dpi(screenDpi())
{
    registerClasses(&Win32DesignWindow::windowProc, &Win32DesignWindow::controlProc, programIcon);
    m_backBrush = ::CreateSolidBrush(systemColour(design.back));

    const app::PixelRect client = app::clientPixels(design, m_dpi);
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    if (design.centredOnScreen) {
        x = (::GetSystemMetrics(SM_CXSCREEN) - client.width) / 2;
        y = (::GetSystemMetrics(SM_CYSCREEN) - client.height) / 2;
    }
    // No caption, no frame: the client area is the whole window.
    const ::DWORD exStyle = design.showInTaskbar ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
    const std::wstring caption = wide::fromUtf8(design.caption);
    m_window = ::CreateWindowExW(exStyle, kWindowClass, caption.c_str(), WS_POPUP | WS_CLIPCHILDREN, x, y,
                                 client.width, client.height, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (design.showsProgramIcon && programIcon) {
        ::SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<::LPARAM>(programIcon));
        ::SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<::LPARAM>(programIcon));
    }

    // Pointers into the vector are kept by the child windows: no reallocation.
    m_controls.reserve(design.controls.size());
    for (const auto& control : design.controls)
        build(control);
    fitCheckBoxCaptions();
    // A new child goes below its siblings; the design lists them back to
    // front, so each one is raised above those before it.
    for (const Control& control : m_controls)
        ::SetWindowPos(control.window, nullptr /* HWND_TOP */, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

Win32DesignWindow::~Win32DesignWindow()
{
    if (m_window)
        ::DestroyWindow(m_window);
    for (Control& control : m_controls) {
        if (control.backBrush)
            ::DeleteObject(control.backBrush);
    }
    for (auto& [key, font] : m_fonts)
        ::DeleteObject(font);
    ::DeleteObject(m_backBrush);
}

void Win32DesignWindow::build(const app::ControlDesign& design)
{
    const RECT place = pixelRect(design.place, m_dpi);
    const wchar_t* className = nullptr;
    ::DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (design.visible ? WS_VISIBLE : 0);
    const bool framed = design.border == app::Border::Single;
    switch (design.kind) {
    case app::ControlKind::Label:
        className = kLabelClass;
        break;
    case app::ControlKind::PictureBox:
        className = kPictureClass;
        break;
    case app::ControlKind::ListBox:
        className = L"LISTBOX";
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | (framed ? WS_BORDER : 0);
        break;
    case app::ControlKind::TextBox:
        className = L"EDIT";
        style |= (framed ? WS_BORDER : 0) | (design.readOnly ? ES_READONLY : 0);
        if (design.multiLine) {
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | (app::wrapsLines(design) ? 0 : ES_AUTOHSCROLL);
            if (design.scrollBars == app::ScrollBars::Vertical || design.scrollBars == app::ScrollBars::Both)
                style |= WS_VSCROLL;
            if (design.scrollBars == app::ScrollBars::Horizontal || design.scrollBars == app::ScrollBars::Both)
                style |= WS_HSCROLL;
        } else {
            style |= ES_AUTOHSCROLL;
        }
        break;
    case app::ControlKind::CheckBox:
        className = L"BUTTON";
        style |= BS_AUTOCHECKBOX;
        break;
    case app::ControlKind::Line:
    case app::ControlKind::Rectangle:
        // Drawn on the surface.
        m_controls.push_back({&design, nullptr});
        return;
    case app::ControlKind::Timer:
        return;
    }
    if (app::takesFocus(design))
        style |= WS_TABSTOP;
    const std::wstring text = design.kind == app::ControlKind::Label || design.kind == app::ControlKind::CheckBox
                                  || design.kind == app::ControlKind::TextBox
                                  ? wide::fromUtf8(design.text)
                                  : std::wstring();
    const ::HWND window = ::CreateWindowExW(0, className, text.c_str(), style, place.left, place.top,
                                          place.right - place.left, place.bottom - place.top, m_window, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Control control{&design, window};
    control.backBrush = ::CreateSolidBrush(systemColour(design.back));
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<::WPARAM>(font(design.font, false)), FALSE);
    if (design.kind == app::ControlKind::TextBox)
        ::SendMessageW(window, EM_SETLIMITTEXT, 0, 0);
    if (design.kind == app::ControlKind::CheckBox)
        ::SendMessageW(window, BM_SETCHECK, design.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!design.toolTip.empty())
        addToolTip(window, design.toolTip);
    m_controls.push_back(control);
}

void Win32DesignWindow::addToolTip(::HWND control, std::string_view text)
{
    if (!m_toolTips) {
        m_toolTips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                       m_window, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (!m_toolTips)
            return;
    }
    std::wstring tip = wide::fromUtf8(text);
    TOOLINFOW tool{};
    // The first layout of the record: every comctl32 version takes it.
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_window;
    tool.uId = reinterpret_cast<::UINT_PTR>(control);
    tool.lpszText = tip.data();
    ::SendMessageW(m_toolTips, TTM_ADDTOOLW, 0, reinterpret_cast<::LPARAM>(&tool));
}

void Win32DesignWindow::fitCheckBoxCaptions()
{
    // The design sets no font for its check boxes, and the system's UI font
    // is larger on many desktops than on the one the design was drawn on:
    // the captions would be cut. Their font shrinks, in one-pixel steps and
    // for all of them alike, until every caption fits, down to the design's
    // smallest size (6.75 points).
    std::vector<const Control*> checks;
    for (const Control& control : m_controls) {
        if (control.window && control.design->kind == app::ControlKind::CheckBox && control.design->font.isDefault)
            checks.push_back(&control);
    }
    if (checks.empty())
        return;
    LOGFONTW logical{};
    ::GetObjectW(font(app::Font::platformDefault(), false), sizeof logical, &logical);
    const ::LONG smallest = -static_cast<::LONG>(std::lround(6.75 * m_dpi / 72.0));
    const int box = ::GetSystemMetrics(SM_CXMENUCHECK) + 6;
    const ::HDC dc = ::GetDC(m_window);
    for (;;) {
        const ::HFONT candidate = ::CreateFontIndirectW(&logical);
        const ::HGDIOBJ old = ::SelectObject(dc, candidate);
        bool fits = true;
        for (const Control* check : checks) {
            RECT place;
            ::GetClientRect(check->window, &place);
            const std::wstring caption = wide::fromUtf8(check->design->text);
            SIZE extent{};
            ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
            fits = fits && extent.cx + box <= place.right;
        }
        ::SelectObject(dc, old);
        if (fits || logical.lfHeight >= smallest || logical.lfHeight >= 0) {
            for (const Control* check : checks)
                ::SendMessageW(check->window, WM_SETFONT, reinterpret_cast<::WPARAM>(candidate), FALSE);
            m_fonts.emplace(std::make_tuple(std::string("check boxes"), 0, 0, false), candidate);
            break;
        }
        ::DeleteObject(candidate);
        ++logical.lfHeight; // negative: one pixel smaller
    }
    ::ReleaseDC(m_window, dc);
}

HFONT Win32DesignWindow::font(const app::Font& design, bool underline)
{
    const auto key = std::make_tuple(std::string(design.face), static_cast<int>(design.points * 100), design.weight,
                                     underline);
    if (const auto found = m_fonts.find(key); found != m_fonts.end())
        return found->second;
    LOGFONTW logical{};
    if (design.isDefault) {
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof logical, &logical);
    } else {
        std::wstring face = wide::fromUtf8(design.face);
        if (!faceInstalled(face))
            face = systemUiFace();
        face.copy(logical.lfFaceName, LF_FACESIZE - 1);
        // 6.75 and 8.25 points are 9 and 11 pixels at 96 dpi.
        logical.lfHeight = -static_cast<::LONG>(std::lround(design.points * m_dpi / 72.0));
        logical.lfWeight = design.weight;
        logical.lfCharSet = ANSI_CHARSET;
        logical.lfQuality = DEFAULT_QUALITY;
    }
    logical.lfUnderline = underline ? TRUE : FALSE;
    const HFONT created = ::CreateFontIndirectW(&logical);
    m_fonts.emplace(key, created);
    return created;
}

Win32DesignWindow::Control* Win32DesignWindow::find(::HWND window)
{
    for (Control& control : m_controls) {
        if (control.window && control.window == window)
            return &control;
    }
    return nullptr;
}

Win32DesignWindow::Control* Win32DesignWindow::find(std::string_view name, int index)
{
    for (Control& control : m_controls) {
        if (control.design->name == name && control.design->index == index)
            return &control;
    }
    return nullptr;
}

const Win32DesignWindow::Control* Win32DesignWindow::find(std::string_view name, int index) const
{
    return const_cast<Win32DesignWindow*>(this)->find(name, index);
}

::HWND Win32DesignWindow::control(std::string_view name, int index) const
{
    const Control* found = find(name, index);
    return found ? found->window : nullptr;
}

void Win32DesignWindow::setText(std::string_view name, int index, std::string_view utf8)
{
    if (const ::HWND window = control(name, index)) {
        ::SetWindowTextW(window, wide::fromUtf8(utf8).c_str());
        ::InvalidateRect(window, nullptr, TRUE);
    }
}

std::string Win32DesignWindow::text(std::string_view name, int index) const
{
    const ::HWND window = control(name, index);
    if (!window)
        return {};
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return wide::toUtf8(text);
}

void Win32DesignWindow::setUnderline(std::string_view name, int index, bool underline)
{
    Control* found = find(name, index);
    if (!found || !found->window || found->underline == underline)
        return;
    found->underline = underline;
    ::InvalidateRect(found->window, nullptr, TRUE);
}

bool Win32DesignWindow::dispatch(const MSG& message)
{
    if (message.hwnd != m_window && !::IsChild(m_window, message.hwnd))
        return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
        moveFocus(::GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
    if (message.message == WM_KEYUP && m_events.keyUp) {
        if (const Control* control = find(message.hwnd))
            m_events.keyUp(*control->design, message.wParam);
    }
    return true;
}

void Win32DesignWindow::moveFocus(bool backwards)
{
    const std::vector<const app::ControlDesign*> stops = app::tabOrder(m_design);
    if (stops.empty())
        return;
    const ::HWND focus = ::GetFocus();
    std::size_t at = stops.size();
    for (std::size_t i = 0; i < stops.size(); ++i) {
        if (control(stops[i]->name, stops[i]->index) == focus)
            at = i;
    }
    std::size_t next = 0;
    if (at == stops.size())
        next = backwards ? stops.size() - 1 : 0;
    else
        next = backwards ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
    if (const ::HWND window = control(stops[next]->name, stops[next]->index))
        ::SetFocus(window);
}

::LRESULT CALLBACK Win32DesignWindow::windowProc(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32DesignWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_window = window;
    }
    auto* self = reinterpret_cast<Win32DesignWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || self->m_window != window)
        return ::DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

::LRESULT Win32DesignWindow::handle(::UINT message, ::WPARAM wParam, ::LPARAM lParam)
{
    ::LRESULT result = 0;
    if (m_events.message && m_events.message(message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(m_window, &client);
        ::FillRect(reinterpret_cast<::HDC>(wParam), &client, m_backBrush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const ::HDC dc = ::BeginPaint(m_window, &paint);
        paintSurface(dc);
        ::EndPaint(m_window, &paint);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (m_events.surfaceMouseMove)
            m_events.surfaceMouseMove(wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_ACTIVATE:
        // Leaving: the control with the focus gets it back on return.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const ::HWND focus = ::GetFocus();
            if (focus && ::IsChild(m_window, focus))
                m_lastFocus = focus;
        }
        break;
    case WM_SETFOCUS:
        if (m_lastFocus && ::IsChild(m_window, m_lastFocus)) {
            ::SetFocus(m_lastFocus);
        } else if (const app::ControlDesign* first = app::initialFocus(m_design)) {
            if (const ::HWND window = control(first->name, first->index))
                ::SetFocus(window);
        }
        return 0;
    case WM_COMMAND: {
        Control* control = find(reinterpret_cast<::HWND>(lParam));
        if (!control)
            break;
        const WORD code = HIWORD(wParam);
        if (control->design->kind == app::ControlKind::ListBox && code == LBN_SELCHANGE && m_events.selectionChanged)
            m_events.selectionChanged(*control->design);
        else if (control->design->kind == app::ControlKind::CheckBox && code == BN_CLICKED && m_events.clicked)
            m_events.clicked(*control->design);
        else if (control->design->kind == app::ControlKind::TextBox && (code == EN_SETFOCUS || code == EN_KILLFOCUS)
                 && m_events.caretChanged)
            m_events.caretChanged();
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
        const Control* control = find(reinterpret_cast<::HWND>(lParam));
        if (!control)
            break;
        const ::HDC dc = reinterpret_cast<::HDC>(wParam);
        ::SetTextColor(dc, systemColour(control->design->fore));
        ::SetBkColor(dc, systemColour(control->design->back));
        return reinterpret_cast<::LRESULT>(control->backBrush);
    }
    default:
        break;
    }
    return ::DefWindowProcW(m_window, message, wParam, lParam);
}

void Win32DesignWindow::paintSurface(::HDC dc)
{
    for (const Control& control : m_controls) {
        const app::ControlDesign& design = *control.design;
        const COLORREF stroke = systemColour(design.fore);
        if (design.kind == app::ControlKind::Line) {
            const app::PixelPoint from = app::toPixels(design.lineFrom, m_dpi);
            const app::PixelPoint to = app::toPixels(design.lineTo, m_dpi);
            if (design.lineStyle == app::LineStyle::Dotted) {
                drawDotted(dc, {from.x, from.y}, {to.x, to.y}, stroke);
            } else {
                const HPEN pen = ::CreatePen(PS_SOLID, 1, stroke);
                const HGDIOBJ old = ::SelectObject(dc, pen);
                ::MoveToEx(dc, from.x, from.y, nullptr);
                ::LineTo(dc, to.x, to.y);
                ::SetPixelV(dc, to.x, to.y, stroke);
                ::SelectObject(dc, old);
                ::DeleteObject(pen);
            }
        } else if (design.kind == app::ControlKind::Rectangle) {
            const RECT place = pixelRect(design.place, m_dpi);
            const POINT corners[] = {{place.left, place.top},
                                     {place.right - 1, place.top},
                                     {place.right - 1, place.bottom - 1},
                                     {place.left, place.bottom - 1},
                                     {place.left, place.top}};
            for (int i = 0; i < 4; ++i) {
                if (design.lineStyle == app::LineStyle::Dotted) {
                    drawDotted(dc, corners[i], corners[i + 1], stroke);
                } else {
                    const HBRUSH brush = ::CreateSolidBrush(stroke);
                    ::FrameRect(dc, &place, brush);
                    ::DeleteObject(brush);
                    break;
                }
            }
        }
    }
}

::LRESULT CALLBACK Win32DesignWindow::controlProc(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32DesignWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    Control* control = self ? self->find(window) : nullptr;
    if (!control)
        return ::DefWindowProcW(window, message, wParam, lParam);
    return self->handleControl(*control, message, wParam, lParam);
}

::LRESULT Win32DesignWindow::handleControl(Control& control, ::UINT message, ::WPARAM wParam, ::LPARAM lParam)
{
    const app::ControlDesign& design = *control.design;
    const bool label = design.kind == app::ControlKind::Label;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const ::HDC dc = ::BeginPaint(control.window, &paint);
        if (label)
            paintLabel(control, dc);
        else
            paintPicture(control, dc);
        ::EndPaint(control.window, &paint);
        return 0;
    }
    case WM_SETTEXT: {
        const ::LRESULT result = ::DefWindowProcW(control.window, message, wParam, lParam);
        ::InvalidateRect(control.window, nullptr, FALSE);
        return result;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        // A picture box's position is the message's own: the tray's
        // notifications carry their message number there. A move over a
        // label is taken against the label where it is now, which a drag
        // that moved the window since the message was queued changes.
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (label) {
            if (message == WM_MOUSEMOVE) {
                const ::DWORD position = ::GetMessagePos();
                at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
                ::ScreenToClient(control.window, &at);
            }
            if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN)
                ::SetCapture(control.window);
            if (message == WM_LBUTTONDOWN)
                control.pressed = true;
        }
        if (m_events.mouse)
            m_events.mouse(design, message, wParam, at.x, at.y);
        if (label && (message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP)) {
            // Releasing the capture clears `pressed` (WM_CAPTURECHANGED).
            const bool leftPressed = message == WM_LBUTTONUP && control.pressed;
            if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
                ::ReleaseCapture();
            if (leftPressed) {
                control.pressed = false;
                RECT client;
                ::GetClientRect(control.window, &client);
                if (::PtInRect(&client, at) && m_events.clicked)
                    m_events.clicked(design);
            }
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        control.pressed = false;
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(control.window, message, wParam, lParam);
}

void Win32DesignWindow::paintLabel(const Control& control, ::HDC dc)
{
    const app::ControlDesign& design = *control.design;
    RECT client;
    ::GetClientRect(control.window, &client);
    ::FillRect(dc, &client, control.backBrush);
    if (design.border == app::Border::Single) {
        const HBRUSH frame = ::CreateSolidBrush(systemColour(app::Colour::windowText()));
        ::FrameRect(dc, &client, frame);
        ::DeleteObject(frame);
        ::InflateRect(&client, -1, -1);
    }
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control.window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control.window, text.data(), static_cast<int>(text.size()))));
    const HGDIOBJ old = ::SelectObject(dc, font(design.font, control.underline));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, systemColour(design.fore));
    // Captions start at the top of their label; only the horizontal
    // placement is the design's.
    const ::UINT format = DT_TOP | DT_SINGLELINE | DT_NOPREFIX
        | (design.alignment == app::Alignment::Centre ? DT_CENTER : DT_LEFT);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, format);
    ::SelectObject(dc, old);
}

void Win32DesignWindow::paintPicture(const Control& control, ::HDC dc)
{
    RECT client;
    ::GetClientRect(control.window, &client);
    ::FillRect(dc, &client, control.backBrush);
    // The picture unscaled from the top left corner.
    if (control.design->showsProgramIcon && m_programIcon)
        ::DrawIconEx(dc, 0, 0, m_programIcon, 0, 0, 0, nullptr, DI_NORMAL);
}

} // namespace tarnquill
