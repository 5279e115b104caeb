// SPDX-License-Identifier: MIT
#include "app/Design.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace tarnquill::app {

namespace {

constexpr Colour kWindowText = Colour::windowText();
constexpr Colour kWindowBackground = Colour::windowBackground();
constexpr Colour kLabelBack = Colour::rgb(193, 209, 219);
constexpr Colour kPaleBack = Colour::rgb(220, 230, 235);
constexpr Colour kWhite = Colour::rgb(255, 255, 255);

constexpr Font kSmallFont = Font::named("Verdana", 6.75);
constexpr Font kSmallBoldFont = Font::named("Verdana", 6.75, Font::kBold);
constexpr Font kTextFont = Font::named("Verdana", 8.25);

constexpr std::string_view kAboutText =
    "Tarnquill by Corvane\r\n"
    "================\r\n"
    "Tarnquill is here to remember the last 500 text entries you have ever copied to the clipboard, "
    "anytime you have ever pressed ctrl+c or clicked on 'edit/copy' in any software running under Windows.\r\n"
    "\r\n"
    "Programming: the Tarnquill developer <developer@example.org>\r\n"
    "Testing: the first Tarnquill tester <tester-one@example.org>\r\n"
    "Testing: the second Tarnquill tester <tester-two@example.org>\r\n";

// The main window's labels share one style: pale blue-grey, small Verdana,
// framed, centred. Rows that differ change the copy this returns.
constexpr ControlDesign mainLabel(std::string_view name, int index, std::string_view text, TwipRect place, int tab)
{
    return {
        .name = name,
        .index = index,
        .kind = ControlKind::Label,
        .text = text,
        .place = place,
        .back = kLabelBack,
        .fore = kWindowText,
        .font = kSmallFont,
        .border = Border::Single,
        .alignment = Alignment::Centre,
        .tabIndex = tab,
    };
}

constexpr ControlDesign lineBetween(std::string_view name, TwipPoint from, TwipPoint to, Colour colour)
{
    return {
        .name = name,
        .kind = ControlKind::Line,
        .place = {std::min(from.x, to.x), std::min(from.y, to.y), from.x > to.x ? from.x - to.x : to.x - from.x,
                  from.y > to.y ? from.y - to.y : to.y - from.y},
        .lineFrom = from,
        .lineTo = to,
        .fore = colour,
        // The separator's one further attribute is open; a dotted hairline
        // parts the two areas without the weight of a bar.
        .lineStyle = LineStyle::Dotted,
    };
}

constexpr ControlDesign timer(int intervalMs)
{
    return {.name = "Timer1", .kind = ControlKind::Timer, .intervalMs = intervalMs};
}

// Back to front (see WindowDesign::controls): Shape1 frames the content behind
// everything, then the table order of the design, in which Picture2 follows
// Text1 and List1 covers the bottom edge of its heading Label4.
constexpr std::array kForm1Controls = {
    ControlDesign{
        .name = "Shape1",
        .kind = ControlKind::Rectangle,
        .place = {60, 150, 5595, 4485},
        .fore = kWindowText,
        .transparentBack = true,
    },
    [] {
        auto c = mainLabel("Label25", kNoIndex, "Tarnquill (v1.0) : The Zero Limit ClipBoard", {120, 30, 5205, 255}, 7);
        c.back = kPaleBack;
        return c;
    }(),
    [] {
        auto c = mainLabel("Label1", 0, "_", {5340, 30, 225, 255}, 8);
        c.fore = Colour::rgb(192, 0, 0);
        c.font = kSmallBoldFont;
        c.toolTip = "Send To tray";
        return c;
    }(),
    [] {
        auto c = mainLabel("Label4", kNoIndex, "Text ClipBoard", {120, 300, 1500, 225}, 10);
        c.back = kWhite;
        return c;
    }(),
    ControlDesign{
        .name = "List1",
        .kind = ControlKind::ListBox,
        .place = {120, 510, 1500, 1980},
        .back = kPaleBack,
        .fore = kWindowText,
        .font = kTextFont,
        .border = Border::Single,
        .tabIndex = 1,
    },
    ControlDesign{
        .name = "Text1",
        .kind = ControlKind::TextBox,
        .place = {1650, 300, 3930, 2205},
        .back = kWindowBackground,
        .fore = kWindowText,
        .font = kTextFont,
        .border = Border::Single,
        .tabIndex = 0,
        .multiLine = true,
        .scrollBars = ScrollBars::Both,
    },
    ControlDesign{
        .name = "Picture2",
        .kind = ControlKind::PictureBox,
        .place = {5340, 2250, 240, 255},
        // Text1's own background, so the corner between its scroll bars
        // reads as part of the text box rather than a grey scroll-bar face.
        .back = kWindowBackground,
        .fore = kWindowText,
        .tabIndex = 13,
    },
    mainLabel("Label2", 0, "Re-Send to ClipBoard", {120, 2550, 2235, 225}, 9),
    mainLabel("Label2", 2, "Erase clipboard", {2400, 2550, 2235, 225}, 17),
    lineBetween("Line1", {90, 2820}, {5610, 2820}, Colour::rgb(9, 24, 49)),
    ControlDesign{
        .name = "Check1",
        .kind = ControlKind::CheckBox,
        .text = "Keep awake as a windows tray icon (with full activity)",
        .place = {120, 2880, 4095, 225},
        .back = kPaleBack,
        .fore = kWindowText,
        .tabIndex = 14,
        .checked = true,
    },
    ControlDesign{
        .name = "Check2",
        .kind = ControlKind::CheckBox,
        .text = "Run Tarnquill at windows Start-up",
        .place = {120, 3150, 4095, 225},
        .back = kPaleBack,
        .fore = kWindowText,
        .tabIndex = 15,
        .checked = true,
    },
    mainLabel("Label6", kNoIndex, "Send to Tray", {4320, 2880, 1305, 255}, 21),
    mainLabel("Label3", kNoIndex, "Exit", {4320, 3165, 1305, 255}, 19),
    ControlDesign{
        .name = "Text3",
        .kind = ControlKind::TextBox,
        .text = kAboutText,
        .place = {120, 3480, 5475, 1125},
        .back = kPaleBack,
        .fore = kWindowText,
        .font = kTextFont,
        .border = Border::Single,
        .tabIndex = 24,
        .readOnly = true,
        .multiLine = true,
        .scrollBars = ScrollBars::Vertical,
    },
    // Never shown: it lies below the window's bottom edge and is invisible.
    // It holds the program icon for the tray, and its window receives the tray
    // icon's mouse messages.
    ControlDesign{
        .name = "Picture1",
        .kind = ControlKind::PictureBox,
        .place = {3000, 7440, 540, 510},
        .back = Colour::rgb(255, 0, 0),
        .fore = kWindowText,
        .tabIndex = 3,
        .visible = false,
        .showsProgramIcon = true,
    },
    timer(10),
};

// Form2 (loading) and form3 (saving) share one design; only the two progress
// texts and the animation's pace differ.
constexpr std::array<ControlDesign, 4> progressControls(std::string_view waitText, std::string_view barText,
                                                        int intervalMs)
{
    return {
        ControlDesign{
            .name = "Label25",
            .kind = ControlKind::Label,
            .text = "Tarnquill: The Zero Limit ClipBoard",
            .place = {120, 120, 3045, 255},
            .back = kPaleBack,
            .fore = kWindowText,
            .font = kSmallFont,
            .border = Border::Single,
            .alignment = Alignment::Centre,
            .tabIndex = 0,
        },
        ControlDesign{
            .name = "Label1",
            .index = 1,
            .kind = ControlKind::Label,
            .text = waitText,
            .place = {120, 480, 3045, 255},
            .back = Colour::rgb(128, 128, 255),
            .fore = kWhite,
            .font = kSmallFont,
            .border = Border::Single,
            .alignment = Alignment::Centre,
            .tabIndex = 1,
        },
        // Wider than the window on purpose: the bar runs off the right edge
        // and is cut off there, so the dots that the timer appends never
        // wrap or shrink the text.
        ControlDesign{
            .name = "Label1",
            .index = 0,
            .kind = ControlKind::Label,
            .text = barText,
            .place = {0, 840, 3435, 195},
            .back = Colour::rgb(0, 0, 64),
            .fore = kWhite,
            .font = kTextFont,
            .tabIndex = 2,
        },
        timer(intervalMs),
    };
}

constexpr auto kForm2Controls = progressControls("Please wait while loading clipboards", "  Loading", 20);
constexpr auto kForm3Controls = progressControls("Please wait while saving clipboards", "  Saving", 50);

constexpr std::array kWindows = {
    WindowDesign{
        .id = WindowId::Form1,
        .name = "Form1",
        .caption = "Tarnquill",
        .clientWidth = 5745,
        .clientHeight = 4680,
        .back = Colour::rgb(237, 242, 245),
        .showsProgramIcon = true,
        .showInTaskbar = true,
        .controls = kForm1Controls,
    },
    WindowDesign{
        .id = WindowId::Form2,
        .name = "Form2",
        .caption = "Form2",
        .clientWidth = 3270,
        .clientHeight = 1185,
        .back = kPaleBack,
        .controls = kForm2Controls,
    },
    WindowDesign{
        .id = WindowId::form3,
        .name = "form3",
        .caption = "form3",
        .clientWidth = 3270,
        .clientHeight = 1185,
        .back = kPaleBack,
        .controls = kForm3Controls,
    },
};

} // namespace

std::span<const WindowDesign> windows()
{
    return kWindows;
}

const WindowDesign& window(WindowId id)
{
    for (const auto& w : kWindows) {
        if (w.id == id)
            return w;
    }
    throw std::out_of_range("unknown window");
}

const WindowDesign* findWindow(std::string_view name)
{
    const auto it = std::ranges::find(kWindows, name, &WindowDesign::name);
    return it == kWindows.end() ? nullptr : &*it;
}

const ControlDesign* findControl(const WindowDesign& window, std::string_view name, int index)
{
    for (const auto& c : window.controls) {
        if (c.name == name && c.index == index)
            return &c;
    }
    return nullptr;
}

const ControlDesign& control(WindowId id, std::string_view name, int index)
{
    const auto& w = window(id);
    if (const auto* c = findControl(w, name, index))
        return *c;
    throw std::out_of_range(std::string(w.name) + " has no control " + std::string(name) +
                            (index == kNoIndex ? std::string() : "(" + std::to_string(index) + ")"));
}

std::string qualifiedName(const ControlDesign& control)
{
    std::string name(control.name);
    if (control.index != kNoIndex)
        name += "(" + std::to_string(control.index) + ")";
    return name;
}

bool takesFocus(const ControlDesign& control)
{
    switch (control.kind) {
    case ControlKind::ListBox:
    case ControlKind::TextBox:
    case ControlKind::CheckBox:
        return control.visible;
    default:
        return false;
    }
}

std::vector<const ControlDesign*> tabOrder(const WindowDesign& window)
{
    std::vector<const ControlDesign*> stops;
    for (const auto& c : window.controls) {
        if (takesFocus(c) && c.tabIndex)
            stops.push_back(&c);
    }
    std::ranges::sort(stops, {}, [](const ControlDesign* c) { return *c->tabIndex; });
    return stops;
}

const ControlDesign* initialFocus(const WindowDesign& window)
{
    const auto stops = tabOrder(window);
    return stops.empty() ? nullptr : stops.front();
}

bool wrapsLines(const ControlDesign& control)
{
    return control.kind == ControlKind::TextBox && control.multiLine &&
           control.scrollBars != ScrollBars::Horizontal && control.scrollBars != ScrollBars::Both;
}

std::string_view aboutText()
{
    return kAboutText;
}

} // namespace tarnquill::app
