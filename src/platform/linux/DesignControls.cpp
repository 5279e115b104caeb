// SPDX-License-Identifier: MIT
#include "platform/linux/DesignControls.h"

#include "app/Twips.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>

// The icon's compiled resource sits in a static library, whose object files
// the linker takes only when something refers to them: this does.
static void initIconResource()
{
    Q_INIT_RESOURCE(tarnquill);
}

namespace tarnquill {

QPixmap programPixmap()
{
    static const bool loaded = (initIconResource(), true);
    (void)loaded;
    return QPixmap(QStringLiteral(":/tarnquill/tarnquill.png"));
}

QIcon programIcon()
{
    return QIcon(programPixmap());
}

QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

DesignLabel::DesignLabel(QWidget* parent)
    : QLabel(parent)
{
    // Captions are shown as written: "<" or "&" in a caption is no markup.
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void DesignLabel::setBorderColour(const QColor& colour)
{
    m_border = colour;
    const int margin = colour.isValid() ? 1 : 0;
    setContentsMargins(margin, margin, margin, margin);
    update();
}

void DesignLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!m_border.isValid())
        return;
    // Painted here rather than as a QFrame box: a plain QFrame draws its
    // frame in the text colour, and Label1(0)'s text is red while its frame
    // is the scheme's ordinary line colour like every other label's.
    QPainter painter(this);
    painter.setPen(QPen(m_border, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

QPointF DesignLabel::positionNow(const QMouseEvent& event) const
{
    // The X server gives a pointer position relative to where the window was
    // when the pointer moved. While a drag moves the window, moves are still
    // on their way that were measured from its old place, and adding them to
    // its new place would run the window ahead of the pointer. The position
    // on the screen is measured from the window's place as it is now, the
    // move just asked for included, so each move brings the grab point back
    // under the pointer.
    return mapFromGlobal(event.globalPosition());
}

void DesignLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_leftDown = true;
    emit mousePressed(positionNow(*event), event->button());
    event->accept();
}

void DesignLabel::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(positionNow(*event), event->buttons());
    event->accept();
}

void DesignLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // Qt keeps sending the moves and the release of a press to the widget
    // that got the press, even outside it (the X pointer grab), so a press
    // here and a release elsewhere is no click.
    const QPointF position = positionNow(*event);
    const bool click = event->button() == Qt::LeftButton && m_leftDown && rect().contains(position.toPoint());
    if (event->button() == Qt::LeftButton)
        m_leftDown = false;
    emit mouseReleased(position, event->button());
    event->accept();
    if (click)
        emit clicked();
}

DesignPicture::DesignPicture(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void DesignPicture::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    update();
}

void DesignPicture::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

DesignShape::DesignShape(const app::ControlDesign& control, double dpi, QPoint origin, const QColor& stroke,
                         QWidget* parent)
    : QWidget(parent)
    , m_kind(control.kind)
    , m_style(control.lineStyle)
    , m_stroke(stroke)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const app::PixelPoint from = app::toPixels(control.lineFrom, dpi);
    const app::PixelPoint to = app::toPixels(control.lineTo, dpi);
    m_from = QPoint(from.x, from.y) - origin;
    m_to = QPoint(to.x, to.y) - origin;
}

void DesignShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPen pen(m_stroke, 0); // cosmetic: one pixel at any scale
    if (m_style == app::LineStyle::Dotted) {
        // Three pixels on, three off: the dotted pen of the desktop the
        // design was drawn on, rather than Qt's denser one-on-two-off dots.
        pen.setDashPattern({3.0, 3.0});
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (m_kind == app::ControlKind::Line) {
        // The widget spans the line's end points exclusive of the far one,
        // so the clip leaves out the last point, as a line drawn from one
        // point to another does on the desktop the design comes from.
        painter.drawLine(m_from, m_to);
    } else {
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace tarnquill
