// SPDX-License-Identifier: MIT
// Sound, media and waiting on a Linux desktop.

#include "platform/linux/LinuxWin32Api.h"

#include "platform/linux/MciDevices.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

#include <canberra.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <strings.h>

namespace tarnquill {

namespace {

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;
// Every sound of this program, so that the ones still playing can be asked for.
constexpr std::uint32_t kSoundId = 1;
constexpr MCIERROR kMciParamOverflow = 256 + 12; // MCIERR_PARAM_OVERFLOW

// The Windows sound aliases and the freedesktop sound theme's events that
// stand for them (the README lists the table).
struct SoundAlias {
    const char* alias;
    const char* event;
};
constexpr SoundAlias kSoundAliases[] = {
    {"SystemStart", "desktop-login"},
    {"SystemExit", "desktop-logout"},
    {"RestoreUp", "window-maximized"},
    {"RestoreDown", "window-unmaximized"},
    {"AppGPFault", "dialog-error"},
    {"SystemQuestion", "dialog-question"},
    {"SystemAsterisk", "dialog-information"},
    {"SystemExclamation", "dialog-warning"},
    {"SystemHand", "dialog-error"},
    {"SystemDefault", "bell"},
    {".Default", "bell"},
    {"SystemNotification", "message"},
    {"MailBeep", "message-new-email"},
    {"Minimize", "window-minimized"},
    {"Maximize", "window-maximized"},
    {"Close", "window-close"},
    {"Open", "window-new"},
    {"EmptyRecycleBin", "trash-empty"},
    {"DeviceConnect", "device-added"},
    {"DeviceDisconnect", "device-removed"},
};

const char* soundThemeEvent(const std::string& alias)
{
    for (const auto& entry : kSoundAliases) {
        if (::strcasecmp(entry.alias, alias.c_str()) == 0)
            return entry.event;
    }
    return nullptr;
}

// Waits for a synchronous sound's end, which canberra reports on a thread of its own.
class SoundDone final {
public:
    static void finished(ca_context*, std::uint32_t, int, void* self)
    {
        auto* done = static_cast<SoundDone*>(self);
        const std::lock_guard lock(done->m_mutex);
        done->m_finished = true;
        done->m_condition.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_condition.wait(lock, [this] { return m_finished; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_finished = false;
};

} // namespace

BOOL LinuxWin32Api::sndPlaySoundA(const std::string& sound, UINT fuSound)
{
    if (sound.empty())
        return FALSE;
    if (!m_canberra) {
        ca_context* context = nullptr;
        if (ca_context_create(&context) != CA_SUCCESS)
            return FALSE;
        // Sounds run on after the call: an ending program (a command-line
        // call) lets the last ones finish, for at most a few seconds.
        m_canberra.reset(context, [](ca_context* ending) {
            for (int i = 0; i < 500; ++i) {
                int playing = 0;
                if (ca_context_playing(ending, kSoundId, &playing) != CA_SUCCESS || playing == 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            ca_context_destroy(ending);
        });
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Tarnquill", nullptr);
    }
    ca_proplist* properties = nullptr;
    if (ca_proplist_create(&properties) != CA_SUCCESS)
        return FALSE;
    if (fuSound & SND_ALIAS) {
        const char* event = soundThemeEvent(sound);
        if (event == nullptr) {
            ca_proplist_destroy(properties);
            return FALSE;
        }
        ca_proplist_sets(properties, CA_PROP_EVENT_ID, event);
    } else {
        ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, sound.c_str());
    }
    int result = CA_SUCCESS;
    if (fuSound & SND_ASYNC) {
        result = ca_context_play_full(m_canberra.get(), kSoundId, properties, nullptr, nullptr);
    } else {
        // Synchronous: returns when the sound has finished.
        SoundDone done;
        result = ca_context_play_full(m_canberra.get(), kSoundId, properties, &SoundDone::finished, &done);
        if (result == CA_SUCCESS)
            done.wait();
    }
    ca_proplist_destroy(properties);
    return result == CA_SUCCESS ? TRUE : FALSE;
}

MCIERROR LinuxWin32Api::mciSendStringA(const std::string& command, std::string& returnString, UINT cchReturn,
                                       HWND)
{
    if (!m_mci)
        m_mci = std::make_shared<MciDevices>();
    std::string reply;
    const MCIERROR error = m_mci->send(command, reply);
    // The reply and its NUL, within the caller's buffer as the system writes it.
    const std::size_t capacity = std::min<std::size_t>(cchReturn, returnString.size());
    if (capacity == 0)
        return error;
    if (reply.size() + 1 > capacity)
        return error != 0 ? error : kMciParamOverflow;
    std::copy(reply.begin(), reply.end(), returnString.begin());
    returnString[reply.size()] = '\0';
    return error;
}

UINT LinuxWin32Api::waveOutGetNumDevs()
{
    // The sound server's outputs (PulseAudio, or PipeWire's PulseAudio
    // service); none without a server.
    pa_mainloop* loop = pa_mainloop_new();
    if (loop == nullptr)
        return 0;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Tarnquill");
    UINT count = 0;
    if (context != nullptr && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        pa_context_state_t state = PA_CONTEXT_CONNECTING;
        while (std::chrono::steady_clock::now() < deadline) {
            state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state))
                break;
            pa_mainloop_iterate(loop, 0, nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (state == PA_CONTEXT_READY) {
            pa_operation* listing = pa_context_get_sink_info_list(
                context,
                [](pa_context*, const pa_sink_info* info, int end, void* sinks) {
                    if (end == 0 && info != nullptr)
                        ++*static_cast<UINT*>(sinks);
                },
                &count);
            while (listing != nullptr && pa_operation_get_state(listing) == PA_OPERATION_RUNNING
                   && std::chrono::steady_clock::now() < deadline)
                pa_mainloop_iterate(loop, 1, nullptr);
            if (listing != nullptr)
                pa_operation_unref(listing);
        }
        pa_context_disconnect(context);
    }
    if (context != nullptr)
        pa_context_unref(context);
    pa_mainloop_free(loop);
    return count;
}

void LinuxWin32Api::WaitForEvents(std::int64_t until)
{
    // Now() counts local seconds; the wait ends at the start of the second
    // `until`, in milliseconds from one reading of the clock.
    const QDateTime now = QDateTime::currentDateTime();
    const std::int64_t nowMilliseconds = now.toMSecsSinceEpoch() + std::int64_t{now.offsetFromUtc()} * 1000;
    const std::int64_t left = until * 1000 - nowMilliseconds;
    if (left <= 0)
        return;
    const auto timeout = static_cast<int>(std::min<std::int64_t>(left, 24 * 3600 * 1000));
    if (QCoreApplication::instance() == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
        return;
    }
    // The timer is only a wake-up: the loop sleeps until it or any other
    // event arrives, handles what came, and returns.
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    wakeUp.start(timeout);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace tarnquill
