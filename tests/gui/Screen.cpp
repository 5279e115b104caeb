// SPDX-License-Identifier: MIT
#include "Screen.h"

#include "support/TempFolder.h"

#include <cctype>
#include <cstdio>
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

namespace {

// Reads the next number of a PPM header, skipping blanks and # comments.
std::size_t headerNumber(const std::string& bytes, std::size_t& pos)
{
    for (;;) {
        while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos])))
            ++pos;
        if (pos < bytes.size() && bytes[pos] == '#') {
            while (pos < bytes.size() && bytes[pos] != '\n')
                ++pos;
            continue;
        }
        break;
    }
    std::size_t value = 0;
    const std::size_t start = pos;
    while (pos < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[pos])))
        value = value * 10 + static_cast<std::size_t>(bytes[pos++] - '0');
    if (pos == start)
        throw std::runtime_error("malformed PPM header");
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

} // namespace

Screenshot Screenshot::take(const XvfbSession& session, const fs::path& file)
{
    fs::path ppm = file;
    ppm.replace_extension(".ppm");
    if (!session.run({"import", "-window", "root", ppm.string()}, 20s).ok())
        throw std::runtime_error("import could not take a screenshot");
    const auto bytes = readFile(ppm);
    if (!bytes || bytes->size() < 2 || bytes->compare(0, 2, "P6") != 0)
        throw std::runtime_error("the screenshot is no binary PPM: " + ppm.string());
    std::size_t pos = 2;
    Screenshot shot;
    shot.m_width = static_cast<int>(headerNumber(*bytes, pos));
    shot.m_height = static_cast<int>(headerNumber(*bytes, pos));
    // ImageMagick builds with 16-bit quanta write two bytes per sample,
    // most significant first.
    const std::size_t maxValue = headerNumber(*bytes, pos);
    if (maxValue == 0 || maxValue > 65535)
        throw std::runtime_error("malformed PPM header");
    const std::size_t sampleBytes = maxValue > 255 ? 2 : 1;
    ++pos; // the single blank after the header
    const std::size_t samples = static_cast<std::size_t>(shot.m_width) * static_cast<std::size_t>(shot.m_height) * 3;
    if (bytes->size() < pos + samples * sampleBytes)
        throw std::runtime_error("the screenshot is truncated");
    shot.m_rgb.resize(samples);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes->data()) + pos;
    for (std::size_t i = 0; i < samples; ++i) {
        const std::size_t value = sampleBytes == 2 ? (data[2 * i] << 8 | data[2 * i + 1]) : data[i];
        shot.m_rgb[i] = static_cast<std::uint8_t>((value * 255 + maxValue / 2) / maxValue);
    }
    return shot;
}

Rgb Screenshot::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        throw std::out_of_range("pixel outside the screen");
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)) * 3;
    return {m_rgb[i], m_rgb[i + 1], m_rgb[i + 2]};
}

bool Screenshot::contains(Rgb colour, std::optional<ScreenRect> area) const
{
    const ScreenRect r = area.value_or(ScreenRect{0, 0, m_width, m_height});
    for (int y = r.top; y < r.bottom(); ++y)
        for (int x = r.left; x < r.right(); ++x)
            if (at(x, y) == colour)
                return true;
    return false;
}

int Screenshot::countOther(Rgb colour, const ScreenRect& area) const
{
    int count = 0;
    for (int y = area.top; y < area.bottom(); ++y)
        for (int x = area.left; x < area.right(); ++x)
            count += at(x, y) == colour ? 0 : 1;
    return count;
}

int Screenshot::countDark(const ScreenRect& area) const
{
    int count = 0;
    for (int y = area.top; y < area.bottom(); ++y)
        for (int x = area.left; x < area.right(); ++x)
            count += at(x, y).isDark() ? 1 : 0;
    return count;
}

std::vector<std::pair<int, int>> Screenshot::darkRowRuns(const ScreenRect& area) const
{
    std::vector<std::pair<int, int>> runs;
    for (int y = area.top; y < area.bottom(); ++y) {
        if (countDark({area.left, y, area.width, 1}) == 0)
            continue;
        if (!runs.empty() && runs.back().second == y)
            runs.back().second = y + 1;
        else
            runs.emplace_back(y, y + 1);
    }
    return runs;
}

ScreenRect windowGeometry(const XvfbSession& session, unsigned long window)
{
    const RunResult result = session.run({"xwininfo", "-id", std::to_string(window)});
    if (!result.ok())
        throw std::runtime_error("xwininfo failed: " + result.err);
    ScreenRect rect;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        key.erase(0, key.find_first_not_of(' '));
        const int value = std::atoi(line.c_str() + colon + 1);
        if (key == "Absolute upper-left X")
            rect.left = value;
        else if (key == "Absolute upper-left Y")
            rect.top = value;
        else if (key == "Width")
            rect.width = value;
        else if (key == "Height")
            rect.height = value;
    }
    return rect;
}

std::optional<std::string> windowProperty(const XvfbSession& session, unsigned long window, const std::string& name)
{
    const RunResult result = session.run({"xprop", "-id", std::to_string(window), name});
    if (!result.ok() || result.out.find("not found") != std::string::npos)
        return std::nullopt;
    const auto separator = result.out.find_first_of("=:");
    if (separator == std::string::npos)
        return std::nullopt;
    std::string value = result.out.substr(separator + 1);
    value.erase(0, value.find_first_not_of(' '));
    while (!value.empty() && (value.back() == '\n' || value.back() == ' '))
        value.pop_back();
    return value;
}

std::string sizeHints(const XvfbSession& session, unsigned long window)
{
    return windowProperty(session, window, "WM_NORMAL_HINTS").value_or("");
}

void clickAt(const XvfbSession& session, int x, int y, int button)
{
    // One xdotool run, without --sync: that waits for the pointer to move
    // and never returns when it is already there. The server takes the
    // move and the click in order anyway.
    xdotool(session, {"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

void pressKey(const XvfbSession& session, const std::string& key)
{
    xdotool(session, {"key", key});
}

void typeText(const XvfbSession& session, const std::string& text)
{
    xdotool(session, {"type", "--delay", "20", text});
}

} // namespace tarnquill::test
