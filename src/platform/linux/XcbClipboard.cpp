// SPDX-License-Identifier: MIT
#include "platform/linux/XcbClipboard.h"

#include "platform/linux/DesktopNotification.h"
#include "platform/linux/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMetaObject>
#include <QMimeData>
#include <QString>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnquill {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Password managers set this target next to the text; the value "secret"
// asks clipboard histories not to keep it.
constexpr std::string_view kPasswordHint = "x-kde-passwordManagerHint";
// Each GetProperty fetches at most this much, so a large text is not held
// twice (reply and result) in full; owners send INCR pieces of about this size.
constexpr std::uint32_t kChunkBytes = 4u << 20;
// Reads kept waiting behind one the user-interface thread has not taken yet.
constexpr std::size_t kMaxWaiting = 16;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

std::string toLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

bool isValidUtf8(std::string_view bytes)
{
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return view.isValidUtf8();
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

// The thread and its X connection. Everything below runs on the reader
// thread except the members marked as shared.
class XcbClipboard::Reader final {
public:
    Reader(const std::string& display, Options options, std::function<void()> published,
           std::function<void()> handedOver, std::function<void(std::size_t)> refused)
        : m_options(options)
        , m_published(std::move(published))
        , m_handedOver(std::move(handedOver))
        , m_refused(std::move(refused))
    {
        m_connection = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
        if (xcb_connection_has_error(m_connection) || !setUp()) {
            xcb_disconnect(m_connection);
            m_connection = nullptr;
            return;
        }
        m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        m_thread = std::thread([this] { run(); });
    }

    ~Reader()
    {
        if (m_thread.joinable()) {
            m_stop = true;
            wake();
            m_thread.join();
        }
        if (m_wakeFd >= 0)
            ::close(m_wakeFd);
        if (m_connection)
            xcb_disconnect(m_connection);
    }

    bool isValid() const { return m_connection != nullptr; }

    // Shared: called from the owner's thread.
    ClipboardRead take()
    {
        std::lock_guard lock(m_mutex);
        if (m_result.status != ClipboardRead::Status::Text)
            return m_result;
        if (!m_handedOut) {
            // The watcher keeps what it reads until the counter moves, so the
            // text is handed over rather than copied: one copy of a large text.
            m_handedOut = true;
            if (!m_queue.empty())
                m_handedOver();
            return std::exchange(m_result, ClipboardRead{ClipboardRead::Status::Text, {}});
        }
        // Asked again for a text already handed over (the counter moved
        // between the caller's look at it and this read): read it anew.
        m_rereadRequested = true;
        wake();
        return ClipboardRead{ClipboardRead::Status::Busy, {}};
    }

    std::uint64_t serial() const { return m_serial.load(); }

    // Shared.
    bool offersText() const
    {
        std::lock_guard lock(m_mutex);
        return m_result.status == ClipboardRead::Status::Text;
    }

    // Shared: called from the owner's thread once the current text was taken
    // and its tick is over. Moves on to the next read that waited behind it.
    void advance()
    {
        {
            std::lock_guard lock(m_mutex);
            if (!m_handedOut || m_queue.empty())
                return;
            // A state between two texts (no text, busy) is of no interest
            // once a newer read is there.
            do {
                m_result = std::move(m_queue.front());
                m_queue.pop_front();
            } while (m_result.status != ClipboardRead::Status::Text && !m_queue.empty());
            m_handedOut = false;
            ++m_serial;
        }
        m_published();
    }

private:
    enum class Stage { Idle, Targets, Hint, Text, Incr };

    bool setUp()
    {
        const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
        if (!xfixes || !xfixes->present)
            return false;
        m_xfixesEvent = xfixes->first_event;
        const XcbReply<xcb_xfixes_query_version_reply_t> version(
            xcb_xfixes_query_version_reply(m_connection, xcb_xfixes_query_version(m_connection, 1, 0), nullptr));
        if (!version)
            return false;

        m_clipboard = atom("CLIPBOARD");
        m_targets = atom("TARGETS");
        m_utf8 = atom("UTF8_STRING");
        m_text = atom("TEXT");
        m_incr = atom("INCR");
        m_hint = atom(kPasswordHint);
        // Two properties, one per read in turn: an owner still sending an
        // abandoned transfer writes to the other one, never into the next read.
        m_properties[0] = atom("TARNQUILL_CLIPBOARD_0");
        m_properties[1] = atom("TARNQUILL_CLIPBOARD_1");
        m_property = m_properties[0];
        if (m_clipboard == XCB_ATOM_NONE)
            return false;

        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        const xcb_void_cookie_t created = xcb_create_window_checked(
            m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
            screen->root_visual, XCB_CW_EVENT_MASK, &events);
        xcb_xfixes_select_selection_input(m_connection, m_window, m_clipboard,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        const XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, created));
        return !error;
    }

    xcb_atom_t atom(std::string_view name)
    {
        const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    std::string atomName(xcb_atom_t atom)
    {
        const XcbReply<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, atom), nullptr));
        if (!reply)
            return {};
        return std::string(xcb_get_atom_name_name(reply.get()),
                           static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
    }

    void wake() const
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
    }

    void run()
    {
        const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
        if (owner && owner->owner != XCB_WINDOW_NONE)
            startRead(XCB_CURRENT_TIME);
        else
            publish({ClipboardRead::Status::NoText, {}});

        while (!m_stop) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                handle(event);
                std::free(event);
            }
            if (xcb_connection_has_error(m_connection)) {
                publish({ClipboardRead::Status::Busy, {}});
                return;
            }
            xcb_flush(m_connection);

            const auto now = Clock::now();
            if (m_stage != Stage::Idle && now >= m_deadline) {
                timedOut();
                continue;
            }
            if (m_retryAt && now >= *m_retryAt) {
                m_retryAt.reset();
                startRead(m_ownerTime);
                continue;
            }
            std::optional<Clock::time_point> until;
            if (m_stage != Stage::Idle)
                until = m_deadline;
            if (m_retryAt)
                until = until ? std::min(*until, *m_retryAt) : *m_retryAt;
            const int timeoutMs = until ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*until - now).count())
                                        : -1;
            pollfd fds[2] = {{xcb_get_file_descriptor(m_connection), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
            ::poll(fds, 2, timeoutMs);
            if (fds[1].revents & POLLIN) {
                std::uint64_t count = 0;
                [[maybe_unused]] const auto got = ::read(m_wakeFd, &count, sizeof count);
                bool reread = false;
                {
                    std::lock_guard lock(m_mutex);
                    reread = std::exchange(m_rereadRequested, false);
                }
                if (reread && m_stage == Stage::Idle)
                    startRead(m_ownerTime);
            }
        }
    }

    void handle(xcb_generic_event_t* event)
    {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == m_xfixesEvent + XCB_XFIXES_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
            if (notify->selection != m_clipboard)
                return;
            m_retryAt.reset();
            m_backoff = 0ms;
            if (notify->subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER || notify->owner == XCB_WINDOW_NONE) {
                m_stage = Stage::Idle;
                publish({ClipboardRead::Status::NoText, {}});
                return;
            }
            m_ownerTime = notify->selection_timestamp;
            startRead(m_ownerTime);
        } else if (type == XCB_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
            // An answer to a request this reader has given up on (an owner
            // that answered late, or an earlier owner) is not the one awaited.
            // Some owners answer with CurrentTime whatever the request said.
            if (m_stage == Stage::Idle || m_stage == Stage::Incr || notify->requestor != m_window
                || notify->selection != m_clipboard || notify->target != m_awaited
                || (notify->property != m_property && notify->property != XCB_ATOM_NONE)
                || (notify->time != m_requestTime && notify->time != XCB_CURRENT_TIME))
                return;
            answered(notify->property);
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (m_stage == Stage::Incr && notify->window == m_window && notify->atom == m_property
                && notify->state == XCB_PROPERTY_NEW_VALUE)
                incrChunk();
        }
    }

    void startRead(xcb_timestamp_t time)
    {
        m_requestTime = time;
        m_property = m_properties[m_property == m_properties[0] ? 1 : 0];
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        m_textTargets.clear();
        // Until the owner answers, the clipboard's text is unknown, not the
        // previous owner's. Not announced: the answer will be. A text not yet
        // taken stays, though: it was on the clipboard, and in a quick
        // succession of copies the watcher still records it.
        {
            std::lock_guard lock(m_mutex);
            if (textWaiting())
                return request(Stage::Targets, m_targets);
        }
        publish({ClipboardRead::Status::Busy, {}}, false);
        request(Stage::Targets, m_targets);
    }

    void request(Stage stage, xcb_atom_t target)
    {
        m_stage = stage;
        m_awaited = target;
        m_deadline = Clock::now() + std::chrono::milliseconds(m_options.answerDeadlineMs);
        xcb_delete_property(m_connection, m_window, m_property);
        xcb_convert_selection(m_connection, m_window, m_clipboard, target, m_property, m_requestTime);
        xcb_flush(m_connection);
    }

    void timedOut()
    {
        m_stage = Stage::Idle;
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        publish({ClipboardRead::Status::Busy, {}});
        // The owner may only be slow: asked again after 0.5 s, then ever
        // less often up to every 8 s; a new owner cancels this.
        m_backoff = std::min(std::max(m_backoff * 2, std::chrono::milliseconds(500)), std::chrono::milliseconds(8000));
        m_retryAt = Clock::now() + m_backoff;
    }

    // Reads the whole property into `out` (appending) in pieces and deletes
    // it. False when it could not be read or would pass the size limit.
    bool readProperty(std::string& out, xcb_atom_t& type)
    {
        std::uint32_t offset = 0;
        for (;;) {
            const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
                m_connection,
                xcb_get_property(m_connection, 1, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY, offset,
                                 kChunkBytes / 4),
                nullptr));
            if (!reply)
                return false;
            type = reply->type;
            const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));
            if (offset == 0) {
                const std::size_t total = out.size() + length + reply->bytes_after;
                if (total > m_options.maxTextBytes) {
                    m_tooLarge = total;
                    xcb_delete_property(m_connection, m_window, m_property);
                    return false;
                }
                if (m_stage == Stage::Text && reply->type != m_incr)
                    out.reserve(total);
            }
            out.append(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
            if (reply->bytes_after == 0)
                return true;
            offset += static_cast<std::uint32_t>(length / 4);
        }
    }

    void answered(xcb_atom_t property)
    {
        if (property == XCB_ATOM_NONE) {
            refused();
            return;
        }
        std::string bytes;
        xcb_atom_t type = XCB_ATOM_NONE;
        if (m_stage == Stage::Text) {
            m_tooLarge = 0;
            if (!readProperty(m_buffer, type)) {
                finishText(type, false);
                return;
            }
            if (type == m_incr) {
                // INCR: the owner sends the text in pieces, each announced by
                // a new value of the property, which the reader deletes. The
                // announced value is a lower bound of the size.
                std::uint32_t atLeast = 0;
                if (m_buffer.size() >= sizeof atLeast)
                    std::memcpy(&atLeast, m_buffer.data(), sizeof atLeast);
                m_buffer.clear();
                if (atLeast > m_options.maxTextBytes) {
                    m_tooLarge = atLeast;
                    finishText(type, false);
                    return;
                }
                m_buffer.reserve(atLeast);
                m_stage = Stage::Incr;
                m_deadline = Clock::now() + std::chrono::milliseconds(m_options.answerDeadlineMs);
                return;
            }
            finishText(type, true);
            return;
        }
        if (!readProperty(bytes, type)) {
            refused();
            return;
        }
        if (m_stage == Stage::Targets) {
            chooseTargets(bytes, type);
            if (m_hasHint) {
                request(Stage::Hint, m_hint);
                return;
            }
            nextTextTarget();
        } else if (m_stage == Stage::Hint) {
            if (bytes == "secret") {
                m_stage = Stage::Idle;
                publish({ClipboardRead::Status::Secret, {}});
                return;
            }
            nextTextTarget();
        }
    }

    void incrChunk()
    {
        m_deadline = Clock::now() + std::chrono::milliseconds(m_options.answerDeadlineMs);
        const std::size_t before = m_buffer.size();
        xcb_atom_t type = XCB_ATOM_NONE;
        m_tooLarge = 0;
        if (!readProperty(m_buffer, type)) {
            // Left unread, the owner would wait for the deletion; the
            // transfer is over for this reader either way.
            finishText(type, false);
            return;
        }
        m_incrType = type;
        if (m_buffer.size() == before)
            finishText(m_incrType, true);
    }

    // The owner refused the conversion.
    void refused()
    {
        if (m_stage == Stage::Targets) {
            // An owner without a target list: ask for the common text targets.
            m_textTargets = {m_utf8, XCB_ATOM_STRING};
            m_hasHint = false;
        }
        nextTextTarget();
    }

    void chooseTargets(const std::string& bytes, xcb_atom_t type)
    {
        m_textTargets.clear();
        m_hasHint = false;
        // Some owners give the list the type TARGETS instead of ATOM.
        if (type != XCB_ATOM_ATOM && type != m_targets)
            return;
        std::vector<xcb_atom_t> offered(bytes.size() / sizeof(xcb_atom_t));
        std::memcpy(offered.data(), bytes.data(), offered.size() * sizeof(xcb_atom_t));
        xcb_atom_t utf8 = XCB_ATOM_NONE, mimeUtf8 = XCB_ATOM_NONE, latin1 = XCB_ATOM_NONE, text = XCB_ATOM_NONE,
                   plain = XCB_ATOM_NONE;
        for (const xcb_atom_t target : offered) {
            if (target == m_utf8) {
                utf8 = target;
            } else if (target == XCB_ATOM_STRING) {
                latin1 = target;
            } else if (target == m_text) {
                text = target;
            } else if (target == m_hint) {
                m_hasHint = true;
            } else if (target > XCB_ATOM_WM_TRANSIENT_FOR && target != m_targets) {
                // MIME names: the charset parameter in any letter case.
                const std::string name = toLower(atomName(target));
                if (name == "text/plain;charset=utf-8")
                    mimeUtf8 = target;
                else if (name == "text/plain")
                    plain = target;
            }
        }
        for (const xcb_atom_t target : {utf8, mimeUtf8, latin1, text, plain})
            if (target != XCB_ATOM_NONE)
                m_textTargets.push_back(target);
    }

    void nextTextTarget()
    {
        if (m_textTargets.empty()) {
            m_stage = Stage::Idle;
            publish({ClipboardRead::Status::NoText, {}});
            return;
        }
        const xcb_atom_t target = m_textTargets.front();
        m_textTargets.erase(m_textTargets.begin());
        m_buffer.clear();
        request(Stage::Text, target);
    }

    void finishText(xcb_atom_t type, bool complete)
    {
        m_stage = Stage::Idle;
        if (!complete) {
            m_buffer.clear();
            m_buffer.shrink_to_fit();
            if (m_tooLarge) {
                m_refused(std::exchange(m_tooLarge, 0));
                publish({ClipboardRead::Status::NoText, {}});
            } else {
                publish({ClipboardRead::Status::Busy, {}});
            }
            return;
        }
        // Some owners end the text with the terminating NUL of a C string.
        if (!m_buffer.empty() && m_buffer.back() == '\0')
            m_buffer.pop_back();
        ClipboardRead read{ClipboardRead::Status::Text, {}};
        if (type == XCB_ATOM_STRING || !isValidUtf8(m_buffer)) {
            // STRING is Latin-1 by definition; other bytes that are not UTF-8
            // are taken as Latin-1 too, so no byte is lost.
            read.text = latin1ToUtf8(m_buffer);
            m_buffer.clear();
            m_buffer.shrink_to_fit();
        } else {
            read.text = std::move(m_buffer);
            m_buffer = {};
        }
        publish(std::move(read));
    }

    // True while a text that the owner's thread has not taken yet is there
    // (under m_mutex).
    bool textWaiting() const
    {
        return (m_result.status == ClipboardRead::Status::Text && !m_handedOut) || !m_queue.empty();
    }

    void publish(ClipboardRead read, bool announce = true)
    {
        {
            std::lock_guard lock(m_mutex);
            if (textWaiting()) {
                // Copies in quick succession while the user-interface thread
                // is busy: each waits its turn rather than replace the last.
                m_queue.push_back(std::move(read));
                if (m_queue.size() > kMaxWaiting)
                    m_queue.pop_front();
                return;
            }
            m_result = std::move(read);
            m_handedOut = false;
            ++m_serial;
        }
        if (announce)
            m_published();
    }

    const Options m_options;
    const std::function<void()> m_published;
    const std::function<void()> m_handedOver;
    const std::function<void(std::size_t)> m_refused;
    xcb_connection_t* m_connection = nullptr;
    int m_wakeFd = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    std::uint8_t m_xfixesEvent = 0;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE, m_targets = XCB_ATOM_NONE, m_utf8 = XCB_ATOM_NONE,
               m_text = XCB_ATOM_NONE, m_incr = XCB_ATOM_NONE, m_hint = XCB_ATOM_NONE, m_property = XCB_ATOM_NONE;
    xcb_atom_t m_properties[2] = {XCB_ATOM_NONE, XCB_ATOM_NONE};

    Stage m_stage = Stage::Idle;
    xcb_atom_t m_awaited = XCB_ATOM_NONE;
    xcb_timestamp_t m_requestTime = XCB_CURRENT_TIME;
    xcb_timestamp_t m_ownerTime = XCB_CURRENT_TIME;
    Clock::time_point m_deadline{};
    std::optional<Clock::time_point> m_retryAt;
    std::chrono::milliseconds m_backoff{0};
    std::vector<xcb_atom_t> m_textTargets;
    bool m_hasHint = false;
    std::string m_buffer;
    xcb_atom_t m_incrType = XCB_ATOM_NONE;
    std::size_t m_tooLarge = 0;

    // Shared with the owner's thread.
    mutable std::mutex m_mutex;
    ClipboardRead m_result;
    bool m_handedOut = false;
    std::deque<ClipboardRead> m_queue; // reads behind m_result, oldest first
    bool m_rereadRequested = false;
    std::atomic<std::uint64_t> m_serial{0};
};

XcbClipboard::XcbClipboard(QClipboard& writer, const std::string& display, Options options)
    : m_writer(writer)
{
    const auto published = [this] {
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                if (m_onChange)
                    m_onChange();
            },
            Qt::QueuedConnection);
    };
    const auto refused = [this](std::size_t size) {
        QMetaObject::invokeMethod(
            &m_context,
            [this, size] {
                if (m_onRefused)
                    m_onRefused(size);
            },
            Qt::QueuedConnection);
    };
    const auto handedOver = [this] {
        QMetaObject::invokeMethod(&m_context, [this] { m_reader->advance(); }, Qt::QueuedConnection);
    };
    m_reader = std::make_unique<Reader>(display, options, published, handedOver, refused);
}

XcbClipboard::~XcbClipboard()
{
    // Ends the thread before the context of its posted calls goes.
    m_reader.reset();
}

bool XcbClipboard::isValid() const
{
    return m_reader->isValid();
}

void XcbClipboard::setOnChange(std::function<void()> onChange)
{
    m_onChange = std::move(onChange);
}

void XcbClipboard::setOnRefused(std::function<void(std::size_t)> onRefused)
{
    m_onRefused = std::move(onRefused);
}

ClipboardRead XcbClipboard::readText()
{
    if (!isValid())
        return {ClipboardRead::Status::Busy, {}};
    return m_reader->take();
}

bool XcbClipboard::offersText() const
{
    return isValid() && m_reader->offersText();
}

std::optional<std::uint64_t> XcbClipboard::changeCount() const
{
    if (!isValid())
        return std::nullopt;
    return m_reader->serial();
}

bool XcbClipboard::setText(std::string_view utf8)
{
    // A fresh QMimeData holds nothing but the text, so no hint or other
    // format of the previous content survives. Taking the selection is a
    // request to the X server only; the reader then hears of the new owner
    // and reads the text back from Qt, which serves it from its event loop.
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    m_writer.setMimeData(data, QClipboard::Clipboard);
    return true;
}

bool clipboardOffersText(const Clipboard& clipboard)
{
    const auto* x11 = dynamic_cast<const XcbClipboard*>(&clipboard);
    return !x11 || x11->offersText();
}

std::unique_ptr<Clipboard> makeSystemClipboard(QClipboard& clipboard, std::function<void()> onChange, Notifier& notifier)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto x11 = std::make_unique<XcbClipboard>(clipboard);
        if (x11->isValid()) {
            x11->setOnChange(std::move(onChange));
            // The size is known only up to the point where the transfer
            // passed the limit, so the message names the limit alone.
            x11->setOnRefused([&notifier](std::size_t) {
                const QString body = QStringLiteral("A copied text larger than %1 MB was not recorded: texts of up "
                                                    "to %1 MB are kept.")
                                         .arg(XcbClipboard::kMaxTextBytes / 1'000'000);
                std::fprintf(stderr, "tarnquill: %s\n", qPrintable(body));
                notifier.notify(QStringLiteral("Copied text too large"), body, NoticeLevel::Information);
            });
            return x11;
        }
    }
    return std::make_unique<QtClipboard>(clipboard);
}

} // namespace tarnquill
