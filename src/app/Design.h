// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The three windows as data: every control with its place, looks and initial
// state. Both front ends build their windows from these tables and repeat
// nothing of them, so a change to the design is made here once.
//
// All geometry is in twips (1/1440 inch) relative to the window's client area;
// app/Twips.h turns it into pixels.

namespace tarnquill::app {

// A colour as the design gives it: an RGB value, or one of the two colours of
// the desktop's colour scheme, which the front end looks up when it paints so
// that a dark or high-contrast scheme is followed.
class Colour final {
public:
    enum class Kind : std::uint8_t {
        Rgb,
        WindowBackground, // the inside of windows (Qt: QPalette::Base; Win32: COLOR_WINDOW)
        WindowText,       // text in windows (Qt: QPalette::Text; Win32: COLOR_WINDOWTEXT)
    };

    static constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {Kind::Rgb, r, g, b}; }
    static constexpr Colour windowBackground() { return {Kind::WindowBackground, 0, 0, 0}; }
    static constexpr Colour windowText() { return {Kind::WindowText, 0, 0, 0}; }

    constexpr Kind kind() const { return m_kind; }
    constexpr bool isSystem() const { return m_kind != Kind::Rgb; }
    // The components; all 0 for a system colour.
    constexpr std::uint8_t red() const { return m_red; }
    constexpr std::uint8_t green() const { return m_green; }
    constexpr std::uint8_t blue() const { return m_blue; }

    friend constexpr bool operator==(const Colour&, const Colour&) = default;

private:
    constexpr Colour(Kind kind, std::uint8_t r, std::uint8_t g, std::uint8_t b)
        : m_kind(kind), m_red(r), m_green(g), m_blue(b)
    {
    }

    Kind m_kind;
    std::uint8_t m_red;
    std::uint8_t m_green;
    std::uint8_t m_blue;
};

// A font of the design. Every font is upright, not underlined and not struck
// out, in the ANSI character set (Win32: ANSI_CHARSET); the underline of the
// command labels is switched at run time by the hover effect, not here.
struct Font {
    static constexpr int kNormal = 400;
    static constexpr int kBold = 700;

    // True: the platform's default GUI font (Qt: the application font; Win32:
    // DEFAULT_GUI_FONT). Used where the design sets no font.
    bool isDefault = true;
    std::string_view face{};
    // Fractional: the design's sizes are 6.75 and 8.25 points, which a front
    // end must not round to whole points (Qt: QFont::setPointSizeF; Win32:
    // lfHeight = -round(points * dpi / 72)).
    double points = 0.0;
    int weight = kNormal;

    static constexpr Font platformDefault() { return {}; }
    static constexpr Font named(std::string_view face, double points, int weight = kNormal)
    {
        return {false, face, points, weight};
    }

    friend constexpr bool operator==(const Font&, const Font&) = default;
};

enum class ControlKind : std::uint8_t {
    Label,      // static text; never takes the focus
    ListBox,    // one column of rows, a vertical scroll bar when they overflow
    TextBox,
    PictureBox,
    CheckBox,
    Line,       // from lineFrom to lineTo, in `fore`
    Rectangle,  // an outline in `fore` around `place`
    Timer,      // no visual form at all; `place` is unused
};

enum class Border : std::uint8_t {
    None,
    Single, // a thin single-line frame inside `place`
};

enum class Alignment : std::uint8_t { Left, Centre };

enum class ScrollBars : std::uint8_t { None, Horizontal, Vertical, Both };

enum class LineStyle : std::uint8_t { Solid, Dotted };

struct TwipPoint {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const TwipPoint&, const TwipPoint&) = default;
};

// Left, top, width and height; right and bottom are exclusive.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
    friend constexpr bool operator==(const TwipRect&, const TwipRect&) = default;
};

// Controls that are not part of a control array carry this index.
inline constexpr int kNoIndex = -1;

struct ControlDesign {
    std::string_view name{}; // "Label1" for every element of the array Label1
    int index = kNoIndex;   // element index within a control array
    ControlKind kind = ControlKind::Label;
    // The caption or initial content. Line ends inside it are CR LF.
    std::string_view text{};

    // Where the control stands. For a line, the rectangle spanned by its two
    // end points (zero height for a horizontal line).
    TwipRect place{};
    TwipPoint lineFrom{};
    TwipPoint lineTo{};

    // For a line and a rectangle, `fore` is the colour of the stroke.
    Colour back = Colour::windowBackground();
    Colour fore = Colour::windowText();
    // A rectangle that leaves the controls behind it showing through.
    bool transparentBack = false;
    LineStyle lineStyle = LineStyle::Solid; // stroke of a line or rectangle, one pixel wide

    Font font{};
    Border border = Border::None;
    Alignment alignment = Alignment::Left;

    // The design's tab number, unique within its window. Labels carry one too
    // (the design numbers them), but only takesFocus() controls are stops.
    std::optional<int> tabIndex{};

    bool visible = true;
    bool checked = false;        // check boxes
    bool readOnly = false;       // text boxes
    bool multiLine = false;      // text boxes
    // Text boxes: the scroll bars it has, always shown rather than when
    // needed (Picture2 is placed over the corner where Text1's two meet).
    ScrollBars scrollBars = ScrollBars::None;
    std::string_view toolTip{};
    bool showsProgramIcon = false; // picture boxes: the program icon is their picture

    int intervalMs = 0;  // timers
    bool enabled = true; // timers run from the moment the window loads

    friend constexpr bool operator==(const ControlDesign&, const ControlDesign&) = default;
};

enum class WindowId : std::uint8_t { Form1, Form2, form3 };

struct WindowDesign {
    WindowId id = WindowId::Form1;
    std::string_view name{};
    std::string_view caption{}; // the task-list text; no caption bar shows it
    int clientWidth = 0;      // twips; the window cannot be resized
    int clientHeight = 0;
    Colour back = Colour::windowBackground();
    bool showsProgramIcon = false;
    // Whether the desktop's task bar shows a button for the window. The
    // progress windows are up for a moment only, so they ask for none.
    bool showInTaskbar = false;
    // Every window has no caption bar, no frame and no system buttons, is
    // never resized and is first shown centred on the screen.
    bool borderless = true;
    bool centredOnScreen = true;

    // Back to front: a front end that creates the controls in this order and
    // stacks each new one above the ones before gets the design's overlaps
    // right (Shape1 behind everything, Picture2 over Text1's scroll-bar corner).
    std::span<const ControlDesign> controls{};
};

// All three windows, in the order Form1, Form2, form3.
std::span<const WindowDesign> windows();
const WindowDesign& window(WindowId id);
// Case-sensitive, as the names are used in code; nullptr when unknown.
const WindowDesign* findWindow(std::string_view name);

// nullptr when the window has no such control (or no such element).
const ControlDesign* findControl(const WindowDesign& window, std::string_view name, int index = kNoIndex);
// For controls the caller knows to exist; throws std::out_of_range otherwise.
const ControlDesign& control(WindowId window, std::string_view name, int index = kNoIndex);

// "Label1(0)" for an element of a control array, "List1" otherwise: the name
// front ends give the widget (Qt object name) so GUI tests can find it.
std::string qualifiedName(const ControlDesign& control);

// Whether the control is a keyboard focus stop: list boxes, text boxes and
// check boxes that are visible. Labels, shapes and timers cannot take the
// focus, and neither do picture boxes: Picture2 only patches Text1's scroll-bar
// corner, and a stop there would make the focus vanish for one Tab press.
bool takesFocus(const ControlDesign& control);

// The focus stops of a window in ascending tab number.
std::vector<const ControlDesign*> tabOrder(const WindowDesign& window);

// The control that holds the focus when the window is first shown: the first
// focus stop (Text1 on Form1); nullptr for a window without stops.
const ControlDesign* initialFocus(const WindowDesign& window);

// Whether a multi-line text box wraps its lines: it does unless it has a
// horizontal scroll bar, which is there to reach the rest of long lines.
bool wrapsLines(const ControlDesign& control);

// The About text shown in Text3: lines end in CR LF, and so does the text.
std::string_view aboutText();

} // namespace tarnquill::app
