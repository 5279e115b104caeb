// SPDX-License-Identifier: MIT
#pragma once

#include "app/Design.h"

#include "winapi/Win32Types.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace tarnquill {

// One window of the design on Win32, built from its data alone: a borderless
// popup of fixed size, centred on the screen, with one child window per visual
// control, stacked back to front in the design's order and placed by
// converting twips with the screen's logical dots per inch, edge by edge.
//
// Controls by kind: labels and picture boxes are window classes of this file
// (painted from the design, mouse messages reported), list boxes LISTBOX,
// text boxes EDIT, check boxes BUTTON (BS_AUTOCHECKBOX). Lines and
// rectangles are painted on the window's own surface, so the mouse moves over
// them reach the surface. Timers have no window. Colours of the design's
// scheme are the system's (GetSysColor); fonts are the design's face, else
// the system's UI face at the design's size.
//
// The window is not shown here; when to show it is the start-up's business.
class Win32DesignWindow final {
public:
    // What happens on the window, reported to whoever routes it. Positions
    // are pixels within the control (labels, pictures) or the window.
    struct Events {
        // A label: the left button went down and came up over it. A check
        // box: it was clicked (its state already changed).
        std::function<void(const app::ControlDesign&)> clicked;
        // WM_xBUTTONDOWN/UP and WM_MOUSEMOVE over a label or picture box,
        // with the message's key-state word. A label that saw a press keeps
        // the mouse until the release.
        std::function<void(const app::ControlDesign&, ::UINT message, ::WPARAM keys, int x, int y)> mouse;
        // The selection of a list box changed, or a row was clicked.
        std::function<void(const app::ControlDesign&)> selectionChanged;
        // A key was released on a control, after the control handled it.
        std::function<void(const app::ControlDesign&, ::WPARAM key)> keyUp;
        // The mouse moved over the window's own surface.
        std::function<void(::WPARAM keys, int x, int y)> surfaceMouseMove;
        // A text box took the focus (and made a caret) or lost it.
        std::function<void()> caretChanged;
        // Every other message to the window first (timers, close, session
        // end, the program's own): true when handled, with `result` set.
        std::function<bool(::UINT message, ::WPARAM, ::LPARAM, ::LRESULT& result)> message;
    };

    Win32DesignWindow(const app::WindowDesign& design, ::HICON programIcon);
    ~Win32DesignWindow();
    Win32DesignWindow(const Win32DesignWindow&) = delete;
    Win32DesignWindow& operator=(const Win32DesignWindow&) = delete;

    const app::WindowDesign& design() const { return m_design; }
    ::HWND hwnd() const { return m_window; }
    double dpi() const { return m_dpi; }
    Events& events() { return m_events; }

    // The child window of a control; nullptr for timers, lines, rectangles
    // and controls the window does not have.
    ::HWND control(std::string_view name, int index = app::kNoIndex) const;

    // The caption of a label or the text of a text box, UTF-8; CR LF stays.
    void setText(std::string_view name, int index, std::string_view utf8);
    std::string text(std::string_view name, int index) const;
    // The hover underline of a label.
    void setUnderline(std::string_view name, int index, bool underline);

    // For the message loop: handles Tab and Shift+Tab within the window in
    // the design's tab order and reports key releases after dispatching.
    // False when the message is not for this window (the caller dispatches).
    bool dispatch(const MSG& message);

private:
    struct Control {
        const app::ControlDesign* design;
        ::HWND window;
        bool underline = false;
        bool pressed = false;
        HBRUSH backBrush = nullptr;
    };

    static ::LRESULT CALLBACK windowProc(::HWND, ::UINT, ::WPARAM, ::LPARAM);
    static ::LRESULT CALLBACK controlProc(::HWND, ::UINT, ::WPARAM, ::LPARAM);
    ::LRESULT handle(::UINT message, ::WPARAM wParam, ::LPARAM lParam);
    ::LRESULT handleControl(Control& control, ::UINT message, ::WPARAM wParam, ::LPARAM lParam);

    void build(const app::ControlDesign& control);
    void fitCheckBoxCaptions();
    // The design's tool tip for a control, shown by one tool-tip window.
    void addToolTip(::HWND control, std::string_view text);
    void paintSurface(::HDC dc);
    void paintLabel(const Control& control, ::HDC dc);
    void paintPicture(const Control& control, ::HDC dc);
    HFONT font(const app::Font& design, bool underline);
    Control* find(::HWND window);
    Control* find(std::string_view name, int index);
    const Control* find(std::string_view name, int index) const;
    void moveFocus(bool backwards);

    const app::WindowDesign& m_design;
    ::HICON m_programIcon;
    double m_dpi = 96.0;
    ::HWND m_window = nullptr;
    HBRUSH m_backBrush = nullptr;
    ::HWND m_toolTips = nullptr;
    ::HWND m_lastFocus = nullptr;
    Events m_events;
    std::vector<Control> m_controls;
    std::map<std::tuple<std::string, int, int, bool>, HFONT> m_fonts;
};

// A design colour as the system draws it.
COLORREF systemColour(app::Colour colour);

} // namespace tarnquill
