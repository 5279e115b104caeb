// SPDX-License-Identifier: MIT
#pragma once

#include "app/Design.h"

#include <QPointF>
#include <QWidget>

#include <string_view>
#include <utility>
#include <vector>

namespace tarnquill {

// One window of the design, built from its data alone: a borderless window of
// fixed size, centred on the screen, with one widget per visual control,
// stacked back to front in the design's order, placed by converting twips with
// the screen's logical dots per inch, coloured, framed and lettered as the
// design says, in the design's tab order and with the focus on its first stop.
//
// Widgets by kind: labels are DesignLabel, list boxes QListView (the caller
// sets the model), multi-line text boxes QPlainTextEdit, single-line ones
// QLineEdit, check boxes QCheckBox, picture boxes DesignPicture, lines and
// rectangles DesignShape. Timers have no widget. Each widget's object name is
// app::qualifiedName of its control ("Label2(0)", "List1").
//
// The window is not shown here; when to show it is the start-up's business.
class DesignWindow final : public QWidget {
    Q_OBJECT

public:
    explicit DesignWindow(const app::WindowDesign& design, QWidget* parent = nullptr);

    const app::WindowDesign& design() const { return m_design; }
    // The logical dots per inch the controls were placed with.
    double dpi() const { return m_dpi; }

    // The widget of a control, or nullptr for a control without one (timers)
    // or one the window does not have.
    QWidget* control(std::string_view name, int index = app::kNoIndex) const;
    template <typename Widget>
    Widget* control(std::string_view name, int index = app::kNoIndex) const
    {
        return qobject_cast<Widget*>(control(name, index));
    }

signals:
    // The mouse moved over the window's own surface, not over a control
    // (lines and rectangles let the moves through); position in pixels.
    void surfaceMouseMoved(QPointF position);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QWidget* build(const app::ControlDesign& control);
    void applyTabOrder();

    const app::WindowDesign& m_design;
    double m_dpi;
    std::vector<std::pair<const app::ControlDesign*, QWidget*>> m_controls;
};

} // namespace tarnquill
