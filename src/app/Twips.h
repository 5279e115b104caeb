// SPDX-License-Identifier: MIT
#pragma once

#include "app/Design.h"

// Designs are in twips (1/1440 inch); a screen of `dpi` logical dots per inch
// has 1440 / dpi twips per pixel (15 at 96 dpi).
//
// Rounding: a twip value becomes twips * dpi / 1440 pixels, rounded to the
// nearest whole pixel, halves upward. A rectangle is converted by its edges,
// not by its extent: left and right (left + width) are each rounded and the
// width is their difference. Edges that meet in twips then meet in pixels at
// every dpi (Picture2 ends exactly where Text1 ends, with no one-pixel seam of
// scroll-bar face between them), and controls laid side by side neither gap
// nor overlap. A width may thereby differ by one pixel with the position.
//
// A dpi that is not positive (a screen that reports none) counts as 96.

namespace tarnquill::app {

inline constexpr double kDefaultDpi = 96.0;
inline constexpr int kTwipsPerInch = 1440;

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Right and bottom are exclusive, as in TwipRect.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// One coordinate (a position or an edge) in whole pixels.
int twipsToPixels(int twips, double dpi);
PixelPoint toPixels(TwipPoint point, double dpi);
PixelRect toPixels(const TwipRect& rect, double dpi);
// A window's client area: its width and height from the origin.
PixelRect clientPixels(const WindowDesign& window, double dpi);

// The other way, unrounded: mouse positions reach the handlers in twips, and
// the window drag computes with the fractions.
double pixelsToTwips(double pixels, double dpi);

} // namespace tarnquill::app
