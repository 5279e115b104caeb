// SPDX-License-Identifier: MIT
#include "platform/linux/DesignWindow.h"

#include "app/Twips.h"
#include "platform/linux/DesignControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>

#include <algorithm>
#include <array>

namespace tarnquill {

namespace {

// Faces with nearly the same metrics, for a design face that is not
// installed. Verdana is rare on Linux; DejaVu Sans grew out of Bitstream Vera,
// which was drawn to Verdana's proportions, so captions still fit their
// labels. Qt tries the families in order, so an installed design face still
// wins; past the end it asks fontconfig. (Asking first whether the face is
// installed would read the whole font database at start.)
struct SimilarFaces {
    std::string_view face;
    std::array<const char*, 2> similar;
};
constexpr std::array kSimilarFaces = {
    SimilarFaces{"Verdana", {"DejaVu Sans", "Bitstream Vera Sans"}},
};

QFont designFont(const app::Font& design)
{
    QFont font = QApplication::font();
    const QString face = toQString(design.face);
    QStringList families{face};
    for (const auto& entry : kSimilarFaces) {
        if (entry.face == design.face) {
            for (const char* similar : entry.similar)
                families << QString::fromLatin1(similar);
        }
    }
    font.setFamilies(families);
    // 6.75 and 8.25 points are 9 and 11 pixels at 96 dpi; rounded to whole
    // points they would be 9.33 and 10.67 pixels' worth and no longer fit.
    font.setPointSizeF(design.points);
    // Qt 6 weights are the same 100 to 900 scale as the design's.
    font.setWeight(static_cast<QFont::Weight>(design.weight));
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// The scheme colours come from the application palette, so the windows
// follow a dark or high-contrast desktop like other programs do.
QColor resolve(app::Colour colour)
{
    switch (colour.kind()) {
    case app::Colour::Kind::WindowBackground:
        return QGuiApplication::palette().color(QPalette::Base);
    case app::Colour::Kind::WindowText:
        return QGuiApplication::palette().color(QPalette::Text);
    case app::Colour::Kind::Rgb:
        break;
    }
    return QColor(colour.red(), colour.green(), colour.blue());
}

QRect pixelRect(const app::TwipRect& twips, double dpi)
{
    const app::PixelRect pixels = app::toPixels(twips, dpi);
    return {pixels.left, pixels.top, pixels.width, pixels.height};
}

void setColours(QWidget& widget, QPalette::ColorRole backRole, const QColor& back, QPalette::ColorRole foreRole,
                const QColor& fore)
{
    QPalette palette = widget.palette();
    palette.setColor(backRole, back);
    palette.setColor(foreRole, fore);
    widget.setPalette(palette);
}

// List and text boxes are framed flat, one line in the scheme's text colour,
// like the labels: the design leaves flat or sunken edges open, and one kind
// of edge throughout keeps the small window calm.
void frameFlat(QFrame& frame, bool framed)
{
    if (!framed) {
        frame.setFrameStyle(QFrame::NoFrame);
        return;
    }
    frame.setFrameStyle(QFrame::Box | QFrame::Plain);
    frame.setLineWidth(1);
    QPalette palette = frame.palette();
    palette.setColor(QPalette::WindowText, resolve(app::Colour::windowText()));
    frame.setPalette(palette);
}

QWidget* buildLabel(const app::ControlDesign& control, QWidget* parent)
{
    auto* label = new DesignLabel(parent);
    label->setText(toQString(control.text));
    // Captions start at the top of their label, as on the desktop the design
    // was drawn for; only the horizontal placement is the design's choice.
    label->setAlignment(Qt::AlignTop |
                        (control.alignment == app::Alignment::Centre ? Qt::AlignHCenter : Qt::AlignLeft));
    setColours(*label, QPalette::Window, resolve(control.back), QPalette::WindowText, resolve(control.fore));
    label->setAutoFillBackground(true);
    if (control.border == app::Border::Single)
        label->setBorderColour(resolve(app::Colour::windowText()));
    return label;
}

QWidget* buildListBox(const app::ControlDesign& control, QWidget* parent)
{
    auto* list = new QListView(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Every row is one line of the same font: uniform sizes spare the view
    // from measuring all rows at each rebuild.
    list->setUniformItemSizes(true);
    list->setFocusPolicy(Qt::StrongFocus);
    setColours(*list, QPalette::Base, resolve(control.back), QPalette::Text, resolve(control.fore));
    frameFlat(*list, control.border == app::Border::Single);
    return list;
}

Qt::ScrollBarPolicy policy(bool shown)
{
    // A text box with a scroll bar shows it always, greyed while there is
    // nothing to scroll; Picture2 is placed for that corner.
    return shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
}

QWidget* buildTextBox(const app::ControlDesign& control, QWidget* parent)
{
    const QColor back = resolve(control.back);
    const QColor fore = resolve(control.fore);
    if (!control.multiLine) {
        auto* edit = new QLineEdit(parent);
        edit->setText(toQString(control.text));
        edit->setReadOnly(control.readOnly);
        setColours(*edit, QPalette::Base, back, QPalette::Text, fore);
        return edit;
    }

    auto* edit = new QPlainTextEdit(parent);
    edit->setPlainText(toQString(control.text));
    edit->setReadOnly(control.readOnly);
    if (control.readOnly) {
        // Still a focus stop whose text the keyboard can select and copy.
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    edit->setLineWrapMode(app::wrapsLines(control) ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    const bool horizontal =
        control.scrollBars == app::ScrollBars::Horizontal || control.scrollBars == app::ScrollBars::Both;
    const bool vertical = control.scrollBars == app::ScrollBars::Vertical || control.scrollBars == app::ScrollBars::Both;
    edit->setHorizontalScrollBarPolicy(policy(horizontal));
    edit->setVerticalScrollBarPolicy(policy(vertical));
    // Tab moves on to the next control rather than typing a tab character,
    // so the window's tab order works from inside the text boxes too.
    edit->setTabChangesFocus(true);
    edit->setFocusPolicy(Qt::StrongFocus);
    setColours(*edit, QPalette::Base, back, QPalette::Text, fore);
    frameFlat(*edit, control.border == app::Border::Single);
    if (horizontal && vertical) {
        // The square between the two bars in the box's own background, as
        // the design's patch over it has; whatever the style's scroll-bar
        // width, no face colour shows where the patch does not reach.
        auto* corner = new QWidget;
        QPalette palette = corner->palette();
        palette.setColor(QPalette::Window, back);
        corner->setPalette(palette);
        corner->setAutoFillBackground(true);
        edit->setCornerWidget(corner);
    }
    return edit;
}

QWidget* buildCheckBox(const app::ControlDesign& control, QWidget* parent)
{
    auto* check = new QCheckBox(toQString(control.text),
                                parent);
    check->setChecked(control.checked);
    check->setFocusPolicy(Qt::StrongFocus);
    setColours(*check, QPalette::Window, resolve(control.back), QPalette::WindowText, resolve(control.fore));
    // Buttons fill with the button face colour; a check box of the design
    // fills with its own back colour, as the labels do.
    check->setBackgroundRole(QPalette::Window);
    check->setAutoFillBackground(true);
    return check;
}

// Check boxes without a font of their own were laid out for the small
// default font of the desktop the design was drawn on. Linux desktops default
// to larger and wider faces (9 to 11 points of DejaVu Sans, Cantarell or Noto
// Sans), which cut "Keep awake as a windows tray icon (with full activity)"
// off after "(with". Their captions keep the default face and shrink
// together, in quarter points and no smaller than the design's smallest text,
// until the widest fits its box; one size for all, so the options read as one
// group.
void fitCaptions(const std::vector<QCheckBox*>& checks)
{
    if (checks.empty())
        return;
    constexpr double kSmallestPoints = 6.75;
    QFont font = checks.front()->font();
    double points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    const auto tooWide = [&] {
        return std::ranges::any_of(checks, [](QCheckBox* check) { return check->sizeHint().width() > check->width(); });
    };
    while (points > kSmallestPoints && tooWide()) {
        points = std::max(kSmallestPoints, points - 0.25);
        font.setPointSizeF(points);
        for (QCheckBox* check : checks)
            check->setFont(font);
    }
}

QWidget* buildPicture(const app::ControlDesign& control, QWidget* parent)
{
    auto* picture = new DesignPicture(parent);
    setColours(*picture, QPalette::Window, resolve(control.back), QPalette::WindowText, resolve(control.fore));
    picture->setAutoFillBackground(true);
    if (control.showsProgramIcon)
        picture->setPicture(programPixmap());
    return picture;
}

} // namespace

DesignWindow::DesignWindow(const app::WindowDesign& design, QWidget* parent)
    : QWidget(parent, (design.showInTaskbar ? Qt::Window : Qt::Tool) | Qt::FramelessWindowHint)
    , m_design(design)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    m_dpi = screen ? screen->logicalDotsPerInch() : app::kDefaultDpi;

    setObjectName(toQString(design.name));
    setWindowTitle(toQString(design.caption));
    if (design.showsProgramIcon)
        setWindowIcon(programIcon());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, resolve(design.back));
    setPalette(palette);
    setAutoFillBackground(true);
    // For the surface moves: the window hears the mouse without a button held.
    setMouseTracking(true);

    const app::PixelRect client = app::clientPixels(design, m_dpi);
    setFixedSize(client.width, client.height);

    for (const auto& control : design.controls) {
        QWidget* widget = build(control);
        if (!widget)
            continue;
        widget->setObjectName(QString::fromStdString(app::qualifiedName(control)));
        if (!control.toolTip.empty())
            widget->setToolTip(toQString(control.toolTip));
        // Each control above the ones before it: the design lists them back to front.
        widget->raise();
        if (!control.visible)
            widget->hide();
        m_controls.emplace_back(&control, widget);
    }
    applyTabOrder();

    std::vector<QCheckBox*> defaultFontChecks;
    for (const auto& [control, widget] : m_controls) {
        if (control->kind == app::ControlKind::CheckBox && control->font.isDefault)
            defaultFontChecks.push_back(static_cast<QCheckBox*>(widget));
    }
    fitCaptions(defaultFontChecks);

    if (design.centredOnScreen && screen) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
}

QWidget* DesignWindow::build(const app::ControlDesign& control)
{
    QWidget* widget = nullptr;
    QRect place = pixelRect(control.place, m_dpi);
    switch (control.kind) {
    case app::ControlKind::Label:
        widget = buildLabel(control, this);
        break;
    case app::ControlKind::ListBox:
        widget = buildListBox(control, this);
        break;
    case app::ControlKind::TextBox:
        widget = buildTextBox(control, this);
        break;
    case app::ControlKind::CheckBox:
        widget = buildCheckBox(control, this);
        break;
    case app::ControlKind::PictureBox:
        widget = buildPicture(control, this);
        break;
    case app::ControlKind::Line:
    case app::ControlKind::Rectangle:
        // A horizontal or vertical line spans no area; it gets the one pixel
        // its stroke needs.
        place.setWidth(std::max(place.width(), 1));
        place.setHeight(std::max(place.height(), 1));
        widget = new DesignShape(control, m_dpi, place.topLeft(), resolve(control.fore), this);
        break;
    case app::ControlKind::Timer:
        return nullptr;
    }
    // Without a font of its own a control keeps the application's font,
    // which Qt passes down to every widget: the check boxes' "default".
    if (!control.font.isDefault)
        widget->setFont(designFont(control.font));
    widget->setGeometry(place);
    return widget;
}

void DesignWindow::applyTabOrder()
{
    std::vector<QWidget*> stops;
    for (const app::ControlDesign* stop : app::tabOrder(m_design)) {
        if (QWidget* widget = control(stop->name, stop->index))
            stops.push_back(widget);
    }
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
    // Controls that are no stop never take the focus, not even by a click
    // (a click on a label leaves the focus where it was).
    for (const auto& [design, widget] : m_controls) {
        if (!app::takesFocus(*design))
            widget->setFocusPolicy(Qt::NoFocus);
    }
    if (const app::ControlDesign* first = app::initialFocus(m_design)) {
        if (QWidget* widget = control(first->name, first->index))
            widget->setFocus(Qt::OtherFocusReason);
    }
}

QWidget* DesignWindow::control(std::string_view name, int index) const
{
    for (const auto& [design, widget] : m_controls) {
        if (design->name == name && design->index == index)
            return widget;
    }
    return nullptr;
}

void DesignWindow::mouseMoveEvent(QMouseEvent* event)
{
    // Moves that a control ignored reach the window too; only those over no
    // control are the surface's. childAt() skips the shapes, which let the
    // mouse through.
    if (!childAt(event->position().toPoint()))
        emit surfaceMouseMoved(event->position());
    QWidget::mouseMoveEvent(event);
}

} // namespace tarnquill
