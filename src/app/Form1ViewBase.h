// SPDX-License-Identifier: MIT
#pragma once

#include "app/Form1.h"
#include "app/Twips.h"

#include <functional>

namespace tarnquill::app {

// What the main window's views on both desktops do alike over their toolkit:
// the window's place in twips, kept as a place in pixels, and an end of the
// process that tests which run the view in process replace.
class Form1ViewBase : public Form1View {
public:
    float Left() const final;
    float Top() const final;
    void setLeft(float twips) final;
    void setTop(float twips) final;
    // The replacement set with setProcessEnd, otherwise exitProcess().
    void endProcess() final;

    // What endProcess() does instead, for tests that run the view in process.
    void setProcessEnd(std::function<void()> end) { m_endProcess = std::move(end); }

protected:
    // The window's top-left corner on the screen, in pixels.
    virtual PixelPoint pixelPosition() const = 0;
    // Moves the window's top-left corner there, keeping its size and stacking.
    virtual void moveToPixels(PixelPoint at) = 0;
    // The dots per inch the window's controls were laid out with.
    virtual double windowDpi() const = 0;
    // Ends the process at once; every file the exit writes is on disk by then.
    virtual void exitProcess() = 0;

private:
    std::function<void()> m_endProcess;
};

} // namespace tarnquill::app
