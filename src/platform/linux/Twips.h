#pragma once

#include <QRect>
#include <QSize>
#include <QtMath>

namespace tarnquill {

// Window designs are in twips (1/1440 inch); a screen's logical dots per inch
// fix how many twips make one pixel (15 at 96 dpi).
class Twips final {
public:
    explicit Twips(qreal logicalDpi)
        : m_twipsPerPixel(1440.0 / (logicalDpi > 0 ? logicalDpi : 96.0))
    {
    }

    int toPixels(int twips) const { return qRound(twips / m_twipsPerPixel); }
    QSize size(int width, int height) const { return {toPixels(width), toPixels(height)}; }
    // Each edge is converted on its own, as the design gives left, top, width
    // and height, so a control keeps its designed width wherever it stands.
    QRect rect(int left, int top, int width, int height) const
    {
        return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
    }

private:
    qreal m_twipsPerPixel;
};

} // namespace tarnquill
