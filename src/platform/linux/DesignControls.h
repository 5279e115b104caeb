// SPDX-License-Identifier: MIT
#pragma once

#include "app/Design.h"

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <string_view>

// The Qt widgets for the kinds of control that Qt has no ready widget for
// (lines and rectangles, picture boxes) or whose events the handlers need in
// the design's terms (labels, which are clicked and dragged). DesignWindow
// creates them from the design data; nothing here knows a particular control.

namespace tarnquill {

// The program icon (resources/tarnquill.png, compiled into the program): the
// main window's icon and the picture of Picture1, which the tray shows.
QPixmap programPixmap();
QIcon programIcon();

// The design's and the history's UTF-8 text as Qt text. Line breaks stay as
// they are: Qt's text boxes take CR LF (the design's and Windows programs'),
// a lone LF and a lone CR alike as the end of a line.
QString toQString(std::string_view utf8);

// A label: static text that never takes the focus, optionally framed by a thin
// single line. Its mouse events are the ones the handlers of the design hang
// on (Label25's drag, the hover effect of Label2, the clicks of the command
// labels); positions are in pixels within the label as it stands when the
// event is handled, which a window just moved by a drag changes.
class DesignLabel final : public QLabel {
    Q_OBJECT

public:
    explicit DesignLabel(QWidget* parent = nullptr);

    // A one-pixel frame inside the label in `colour`; an invalid colour
    // removes it. The text keeps clear of the frame.
    void setBorderColour(const QColor& colour);

signals:
    // The left button went down and came up again over the label.
    void clicked();
    void mousePressed(QPointF position, Qt::MouseButton button);
    // Moves with or without a button held: the label tracks the mouse.
    void mouseMoved(QPointF position, Qt::MouseButtons buttons);
    void mouseReleased(QPointF position, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The event's position within the label where the label is now.
    QPointF positionNow(const QMouseEvent& event) const;

    QColor m_border;
    bool m_leftDown = false;
};

// A picture box: its back colour, with its picture drawn unscaled from the
// top left corner, as such a box shows a picture.
class DesignPicture final : public QWidget {
    Q_OBJECT

public:
    explicit DesignPicture(QWidget* parent = nullptr);

    void setPicture(const QPixmap& picture);
    const QPixmap& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

// A line or a rectangle outline: one-pixel strokes, transparent elsewhere and
// to the mouse, so the window's own surface receives the moves over it.
class DesignShape final : public QWidget {
    Q_OBJECT

public:
    // `control` is a Line or a Rectangle; its end points (a line) are taken
    // relative to `origin`, the widget's top left corner in window pixels.
    DesignShape(const app::ControlDesign& control, double dpi, QPoint origin, const QColor& stroke,
                QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    app::ControlKind m_kind;
    app::LineStyle m_style;
    QPoint m_from;
    QPoint m_to;
    QColor m_stroke;
};

} // namespace tarnquill
