// SPDX-License-Identifier: MIT
#include "platform/linux/QtClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tarnquill {

namespace {

// Password managers set this format next to the text; the value "secret"
// asks clipboard histories not to keep it.
constexpr const char* kPasswordHintFormat = "x-kde-passwordManagerHint";

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

bool hasExtension(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_query_extension(connection, static_cast<std::uint16_t>(std::strlen(name)), name);
    const XcbReply<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(connection, cookie, nullptr));
    return reply && reply->present;
}

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

QtClipboard::QtClipboard(QClipboard& clipboard)
    : m_clipboard(clipboard)
{
    QObject::connect(&m_clipboard, &QClipboard::dataChanged, &m_receiver, [this] { ++m_count; });

    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        m_connection = x11->connection();
    if (!m_connection)
        return;
    m_clipboardAtom = internAtom(m_connection, "CLIPBOARD");
    // Without XFixes Qt hears of no other program's copy, so a counter would
    // stand still while the clipboard changes.
    m_countsChanges = hasExtension(m_connection, "XFIXES");
}

std::optional<std::uint64_t> QtClipboard::changeCount() const
{
    if (!m_countsChanges)
        return std::nullopt;
    return m_count;
}

bool QtClipboard::selectionHasOwner() const
{
    if (!m_connection || m_clipboardAtom == XCB_ATOM_NONE)
        return false;
    const auto cookie = xcb_get_selection_owner(m_connection, m_clipboardAtom);
    const XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(m_connection, cookie, nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

ClipboardRead QtClipboard::readText()
{
    ClipboardRead read;
    const auto now = std::chrono::steady_clock::now();
    if (m_busyBackoff.count() > 0) {
        if (m_count == m_busyCount && now < m_busyUntil) {
            read.status = ClipboardRead::Status::Busy;
            return read;
        }
        if (m_count != m_busyCount)
            m_busyBackoff = std::chrono::milliseconds(0);
    }
    const QMimeData* data = m_clipboard.mimeData(QClipboard::Clipboard);
    const QStringList formats = data ? data->formats() : QStringList();
    if (formats.isEmpty()) {
        // Every owner offers at least its list of targets; an owner that gave
        // none did not answer in time (Qt waits a few seconds), which is not
        // the same as an empty clipboard and is worth another try.
        read.status = selectionHasOwner() ? ClipboardRead::Status::Busy : ClipboardRead::Status::NoText;
        if (read.status == ClipboardRead::Status::Busy) {
            // Retried after 0.25 s, then ever less often up to every 8 s, so
            // a hung owner cannot freeze the window for good.
            m_busyBackoff = std::min(std::max(m_busyBackoff * 2, std::chrono::milliseconds(250)),
                                     std::chrono::milliseconds(8000));
            m_busyCount = m_count;
            m_busyUntil = std::chrono::steady_clock::now() + m_busyBackoff;
        }
        return read;
    }
    m_busyBackoff = std::chrono::milliseconds(0);
    if (formats.contains(QLatin1String(kPasswordHintFormat))
        && data->data(QLatin1String(kPasswordHintFormat)) == QByteArrayLiteral("secret")) {
        read.status = ClipboardRead::Status::Secret;
        return read;
    }
    if (!data->hasText())
        return read;
    read.status = ClipboardRead::Status::Text;
    read.text = data->text().toStdString();
    return read;
}

bool QtClipboard::setText(std::string_view utf8)
{
    // A fresh QMimeData holds nothing but the text, so no hint or other
    // format of the previous content survives.
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    m_clipboard.setMimeData(data, QClipboard::Clipboard);
    return true;
}

} // namespace tarnquill
