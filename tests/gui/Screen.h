// SPDX-License-Identifier: MIT
#pragma once

// What a GUI test sees and does on its private X server: the screen's pixels
// (ImageMagick's import), a window's geometry and properties (xwininfo,
// xprop) and the mouse and keyboard (xdotool).

#include "support/XvfbSession.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarnquill::test {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    // Darker than mid-grey: text, borders and lines on the light backgrounds.
    bool isDark() const { return red + green + blue < 3 * 128; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);

// A rectangle in screen pixels; right and bottom exclusive.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    int centreX() const { return left + width / 2; }
    int centreY() const { return top + height / 2; }
};
std::ostream& operator<<(std::ostream& out, const ScreenRect& rect);

// The whole screen at one moment.
class Screenshot final {
public:
    // Takes it through `import -window root`; the image is kept as `file`
    // (a PPM, readable by any viewer) for a look after a failure.
    static Screenshot take(const XvfbSession& session, const std::filesystem::path& file);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Rgb at(int x, int y) const;
    // The pixels of `area` (the whole screen when none) for which `which` holds.
    int count(const std::function<bool(Rgb)>& which, std::optional<ScreenRect> area = std::nullopt) const;
    bool contains(Rgb colour, std::optional<ScreenRect> area = std::nullopt) const
    {
        return count([&](Rgb c) { return c == colour; }, area) > 0;
    }
    int countDark(const ScreenRect& area) const { return count(&Rgb::isDark, area); }
    // The runs of adjacent rows of `area` that hold a dark pixel: the lines
    // of text in a text box.
    int darkLines(const ScreenRect& area) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_rgb;
};

// The window's place on the screen (xwininfo's absolute position and size).
ScreenRect windowGeometry(const XvfbSession& session, unsigned long window);
// One property as xprop prints it after the "=" (or after ":" for the
// structured ones), or nullopt when the window lacks it.
std::optional<std::string> windowProperty(const XvfbSession& session, unsigned long window, const std::string& name);

// Runs xdotool with `arguments` ("key", "Down"; "type", "text"); throws when it fails.
void xdotool(const XvfbSession& session, const std::vector<std::string>& arguments);
// Moves the pointer to (x, y) and clicks `button` there.
void clickAt(const XvfbSession& session, int x, int y, int button = 1);

} // namespace tarnquill::test
