#include "platform/linux/Form1.h"

#include "app/Twips.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

namespace tarnquill {

namespace {

QRect pixelRect(const app::TwipRect& twips, double dpi)
{
    const app::PixelRect pixels = app::toPixels(twips, dpi);
    return {pixels.left, pixels.top, pixels.width, pixels.height};
}

void setBackground(QWidget& widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace

Form1::Form1(const TextHistory& history)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    , m_listModel(history)
    , m_label25(QStringLiteral("Tarnquill (v1.0) : The Zero Limit ClipBoard"), this)
    , m_list1(this)
{
    setWindowTitle(QStringLiteral("Tarnquill"));
    setBackground(*this, QPalette::Window, QColor(237, 242, 245));

    QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : app::kDefaultDpi;
    setFixedSize(app::twipsToPixels(5745, dpi), app::twipsToPixels(4680, dpi));

    m_label25.setGeometry(pixelRect({120, 30, 5205, 255}, dpi));
    m_label25.setAlignment(Qt::AlignCenter);
    setBackground(m_label25, QPalette::Window, QColor(220, 230, 235));

    m_list1.setObjectName(QStringLiteral("List1"));
    m_list1.setGeometry(pixelRect({120, 510, 1500, 1980}, dpi));
    // Every row is one line of at most ten characters: uniform sizes spare
    // the view from measuring 500 rows at each rebuild.
    m_list1.setUniformItemSizes(true);
    m_list1.setModel(&m_listModel);
    QPalette listPalette = m_list1.palette();
    listPalette.setColor(QPalette::Base, QColor(220, 230, 235));
    m_list1.setPalette(listPalette);

    if (screen) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
}

} // namespace tarnquill
