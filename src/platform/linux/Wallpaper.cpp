// SPDX-License-Identifier: MIT
#include "platform/linux/Wallpaper.h"

#include "platform/linux/XcbSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tarnquill {

namespace {

constexpr const char* kNone = "(None)";

QString currentDesktop()
{
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return desktop != nullptr ? QString::fromUtf8(desktop).toLower() : QString();
}

bool run(const QString& program, const QStringList& arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

bool gsettings(const QString& schema, const QString& key, const QString& value)
{
    return run(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value});
}

bool setPlasma(const QString& file)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QString image = file.isEmpty() ? QString() : QUrl::fromLocalFile(file).toString();
    image.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    const QString script = QStringLiteral(
        "desktops().forEach(function (d) { d.wallpaperPlugin = 'org.kde.image'; d.currentConfigGroup = "
        "['Wallpaper', 'org.kde.image', 'General']; d.writeConfig('Image', \"%1\"); });").arg(image);
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.plasmashell"),
                                                       QStringLiteral("/PlasmaShell"),
                                                       QStringLiteral("org.kde.PlasmaShell"),
                                                       QStringLiteral("evaluateScript"));
    call << script;
    return bus.call(call).type() == QDBusMessage::ReplyMessage;
}

bool setXfce(const QString& file)
{
    QProcess list;
    list.start(QStringLiteral("xfconf-query"), {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")});
    if (!list.waitForFinished(10000) || list.exitCode() != 0)
        return false;
    bool any = false;
    const QString suffix = file.isEmpty() ? QStringLiteral("/image-style") : QStringLiteral("/last-image");
    const QString value = file.isEmpty() ? QStringLiteral("0") : file;
    for (const QString& line : QString::fromUtf8(list.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.endsWith(suffix)) {
            any = run(QStringLiteral("xfconf-query"),
                      {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"), line.trimmed(),
                       QStringLiteral("-s"), value})
                || any;
        }
    }
    return any;
}

// Closes a connection once the server has carried out everything sent on it:
// requests still unread when a client hangs up may be dropped.
void closeAfterSync(xcb_connection_t* c)
{
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

// The root window's background on a bare X server, as the classic
// root-setting tools leave it: a pixmap kept after this connection closes
// (RetainPermanent), named by _XROOTPMAP_ID and ESETROOT_PMAP_ID so that the
// next setter frees it.
bool setRootWindow(const QString& file)
{
    QImage image;
    if (!file.isEmpty() && !image.load(file))
        return false;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t root = screen->root;
    const xcb_atom_t rootId = xcb::atom(c, "_XROOTPMAP_ID");
    const xcb_atom_t setRootId = xcb::atom(c, "ESETROOT_PMAP_ID");

    // The previous setter's pixmap (and the resources its client kept).
    const xcb::Reply<xcb_get_property_reply_t> old(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, setRootId, XCB_ATOM_PIXMAP, 0, 1), nullptr));
    if (old && old->format == 32 && xcb_get_property_value_length(old.get()) == 4)
        xcb_kill_client(c, *static_cast<const std::uint32_t*>(xcb_get_property_value(old.get())));

    if (file.isEmpty() || screen->root_depth < 24) {
        xcb_delete_property(c, root, rootId);
        xcb_delete_property(c, root, setRootId);
        const std::uint32_t black = screen->black_pixel;
        xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXEL, &black);
        xcb_clear_area(c, 0, root, 0, 0, 0, 0);
        closeAfterSync(c);
        return file.isEmpty();
    }

    // Filled and centred on the screen, in the server's 32-bit pixel layout.
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    QImage scaled = image.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGB32);
    scaled = scaled.copy((scaled.width() - width) / 2, (scaled.height() - height) / 2, width, height);

    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, root, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // In bands that fit one request.
    const std::uint32_t maxBytes = xcb_get_maximum_request_length(c) * 4 - 64;
    const int rowBytes = width * 4;
    const int rowsPerBand = std::max(1, static_cast<int>(maxBytes / static_cast<std::uint32_t>(rowBytes)));
    for (int y = 0; y < height; y += rowsPerBand) {
        const int rows = std::min(rowsPerBand, height - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(rows), 0, static_cast<std::int16_t>(y), 0, screen->root_depth,
                      static_cast<std::uint32_t>(rows * rowBytes), scaled.constScanLine(y));
    }
    xcb_free_gc(c, gc);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, rootId, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, setRootId, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    xcb_flush(c);
    closeAfterSync(c);
    return true;
}

} // namespace

bool setDesktopWallpaper(const std::string& file)
{
    QString path;
    if (file != kNone) {
        const QFileInfo info(QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size())));
        if (file.empty() || !info.isFile() || !info.isReadable())
            return false;
        path = info.absoluteFilePath();
    }
    const QString uri = path.isEmpty() ? QString() : QUrl::fromLocalFile(path).toString();
    const QString desktop = currentDesktop();
    if (desktop.contains(QLatin1String("gnome")) || desktop.contains(QLatin1String("unity"))
        || desktop.contains(QLatin1String("budgie")) || desktop.contains(QLatin1String("pantheon"))) {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        const bool ok = gsettings(schema, QStringLiteral("picture-uri"), uri);
        gsettings(schema, QStringLiteral("picture-uri-dark"), uri); // absent before GNOME 42
        return ok;
    }
    if (desktop.contains(QLatin1String("cinnamon")))
        return gsettings(QStringLiteral("org.cinnamon.desktop.background"), QStringLiteral("picture-uri"), uri);
    if (desktop.contains(QLatin1String("mate")))
        return gsettings(QStringLiteral("org.mate.background"), QStringLiteral("picture-filename"), path);
    if (desktop.contains(QLatin1String("kde")))
        return setPlasma(path);
    if (desktop.contains(QLatin1String("xfce")))
        return setXfce(path);
    return setRootWindow(path);
}

} // namespace tarnquill
