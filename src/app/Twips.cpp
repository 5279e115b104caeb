// SPDX-License-Identifier: MIT
#include "app/Twips.h"

#include <cmath>

namespace tarnquill::app {

namespace {

double effectiveDpi(double dpi)
{
    return dpi > 0.0 ? dpi : kDefaultDpi;
}

} // namespace

int twipsToPixels(int twips, double dpi)
{
    // Multiply before dividing: at a whole-number dpi the quotient is then
    // exact wherever the pixel count is, so halves really are halves.
    const double pixels = static_cast<double>(twips) * effectiveDpi(dpi) / kTwipsPerInch;
    return static_cast<int>(std::floor(pixels + 0.5));
}

PixelPoint toPixels(TwipPoint point, double dpi)
{
    return {twipsToPixels(point.x, dpi), twipsToPixels(point.y, dpi)};
}

PixelRect toPixels(const TwipRect& rect, double dpi)
{
    const int left = twipsToPixels(rect.left, dpi);
    const int top = twipsToPixels(rect.top, dpi);
    return {left, top, twipsToPixels(rect.right(), dpi) - left, twipsToPixels(rect.bottom(), dpi) - top};
}

PixelRect clientPixels(const WindowDesign& window, double dpi)
{
    return toPixels(TwipRect{0, 0, window.clientWidth, window.clientHeight}, dpi);
}

double pixelsToTwips(double pixels, double dpi)
{
    return pixels * kTwipsPerInch / effectiveDpi(dpi);
}

} // namespace tarnquill::app
