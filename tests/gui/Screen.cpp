// SPDX-License-Identifier: MIT
#include "Screen.h"

#include "support/TempFolder.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace tarnquill::test {

namespace fs = std::filesystem;

std::ostream& operator<<(std::ostream& out, const Rgb& colour)
{
    return out << "RGB(" << colour.red << ", " << colour.green << ", " << colour.blue << ")";
}

std::ostream& operator<<(std::ostream& out, const ScreenRect& rect)
{
    return out << rect.width << "x" << rect.height << "+" << rect.left << "+" << rect.top;
}

Screenshot Screenshot::take(const XvfbSession& session, const fs::path& file)
{
    // A binary PPM of 8-bit samples: "P6 WIDTH HEIGHT 255", one blank, pixels.
    fs::path ppm = file;
    ppm.replace_extension(".ppm");
    if (!session.run({"import", "-window", "root", "-depth", "8", ppm.string()}, 20s).ok())
        throw std::runtime_error("import could not take a screenshot");
    const std::string bytes = readFile(ppm).value_or("");
    std::istringstream header(bytes);
    std::string magic;
    int maxValue = 0;
    Screenshot shot;
    header >> magic >> shot.m_width >> shot.m_height >> maxValue;
    const auto samples = static_cast<std::size_t>(shot.m_width) * static_cast<std::size_t>(shot.m_height) * 3;
    const auto pos = static_cast<std::size_t>(header.tellg()) + 1;
    if (!header || magic != "P6" || maxValue != 255 || bytes.size() < pos + samples)
        throw std::runtime_error("the screenshot is no 8-bit binary PPM: " + ppm.string());
    shot.m_rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                      bytes.begin() + static_cast<std::ptrdiff_t>(pos + samples));
    return shot;
}

Rgb Screenshot::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        throw std::out_of_range("pixel outside the screen");
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)) * 3;
    return {m_rgb[i], m_rgb[i + 1], m_rgb[i + 2]};
}

int Screenshot::count(const std::function<bool(Rgb)>& which, std::optional<ScreenRect> area) const
{
    const ScreenRect r = area.value_or(ScreenRect{0, 0, m_width, m_height});
    int n = 0;
    for (int y = r.top; y < r.bottom(); ++y)
        for (int x = r.left; x < r.right(); ++x)
            n += which(at(x, y)) ? 1 : 0;
    return n;
}

int Screenshot::darkLines(const ScreenRect& area) const
{
    int lines = 0;
    bool previous = false;
    for (int y = area.top; y < area.bottom(); ++y) {
        const bool dark = countDark({area.left, y, area.width, 1}) > 0;
        lines += dark && !previous ? 1 : 0;
        previous = dark;
    }
    return lines;
}

ScreenRect windowGeometry(const XvfbSession& session, unsigned long window)
{
    const RunResult result = session.run({"xwininfo", "-id", std::to_string(window)});
    if (!result.ok())
        throw std::runtime_error("xwininfo failed: " + result.err);
    const auto field = [&](const std::string& key) {
        const auto at = result.out.find(key + ":");
        return at == std::string::npos ? 0 : std::atoi(result.out.c_str() + at + key.size() + 1);
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")};
}

std::optional<std::string> windowProperty(const XvfbSession& session, unsigned long window, const std::string& name)
{
    const RunResult result = session.run({"xprop", "-id", std::to_string(window), name});
    const auto separator = result.out.find_first_of("=:");
    if (!result.ok() || result.out.find("not found") != std::string::npos || separator == std::string::npos)
        return std::nullopt;
    std::string value = result.out.substr(separator + 1);
    value.erase(0, value.find_first_not_of(' '));
    while (!value.empty() && (value.back() == '\n' || value.back() == ' '))
        value.pop_back();
    return value;
}

void xdotool(const XvfbSession& session, const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const RunResult result = session.run(argv);
    if (!result.ok())
        throw std::runtime_error("xdotool failed: " + result.err);
}

void clickAt(const XvfbSession& session, int x, int y, int button)
{
    // One xdotool run, without --sync: that waits for the pointer to move
    // and never returns when it is already there. The server takes the
    // move and the click in order anyway.
    xdotool(session, {"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

} // namespace tarnquill::test
