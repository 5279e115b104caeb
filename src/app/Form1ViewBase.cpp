// SPDX-License-Identifier: MIT
#include "app/Form1ViewBase.h"

#include <cmath>

namespace tarnquill::app {

namespace {

int toPixels(float twips, double dpi)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

} // namespace

float Form1ViewBase::Left() const
{
    return static_cast<float>(pixelsToTwips(pixelPosition().x, windowDpi()));
}

float Form1ViewBase::Top() const
{
    return static_cast<float>(pixelsToTwips(pixelPosition().y, windowDpi()));
}

void Form1ViewBase::setLeft(float twips)
{
    PixelPoint at = pixelPosition();
    at.x = toPixels(twips, windowDpi());
    moveToPixels(at);
}

void Form1ViewBase::setTop(float twips)
{
    PixelPoint at = pixelPosition();
    at.y = toPixels(twips, windowDpi());
    moveToPixels(at);
}

void Form1ViewBase::endProcess()
{
    if (m_endProcess) {
        m_endProcess();
        return;
    }
    exitProcess();
}

} // namespace tarnquill::app
