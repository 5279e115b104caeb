// SPDX-License-Identifier: MIT
#include "platform/linux/MciDevices.h"

#include <gst/gst.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <vector>

#include <unistd.h>

namespace tarnquill {

namespace {

constexpr MCIERROR kUnrecognizedKeyword = 259;
constexpr MCIERROR kUnrecognizedCommand = 261;
constexpr MCIERROR kInvalidDeviceName = 263;
constexpr MCIERROR kCannotLoadDriver = 266;
constexpr MCIERROR kMissingCommandString = 267;
constexpr MCIERROR kParamOverflow = 268;
constexpr MCIERROR kBadInteger = 270;
constexpr MCIERROR kFileNotFound = 275;
constexpr MCIERROR kDeviceNotReady = 276;
constexpr MCIERROR kExtensionNotFound = 281;
constexpr MCIERROR kDuplicateAlias = 289;
constexpr MCIERROR kMissingDeviceName = 292;
constexpr MCIERROR kBadTimeFormat = 293;
constexpr MCIERROR kNoClosingQuote = 294;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Words separated by blanks; a double-quoted word may hold blanks.
std::optional<std::vector<std::string>> words(const std::string& command)
{
    std::vector<std::string> list;
    std::size_t i = 0;
    while (i < command.size()) {
        if (std::isspace(static_cast<unsigned char>(command[i]))) {
            ++i;
            continue;
        }
        if (command[i] == '"') {
            const std::size_t end = command.find('"', i + 1);
            if (end == std::string::npos)
                return std::nullopt;
            list.push_back(command.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        std::size_t end = i;
        while (end < command.size() && !std::isspace(static_cast<unsigned char>(command[end])))
            ++end;
        list.push_back(command.substr(i, end - i));
        i = end;
    }
    return list;
}

// The device type Windows associates with a file's extension ([MCI
// Extensions]); empty for none.
std::string typeOfExtension(const std::filesystem::path& file)
{
    const std::string extension = lower(file.extension().string());
    if (extension == ".avi")
        return "avivideo";
    if (extension == ".wav")
        return "waveaudio";
    if (extension == ".mid" || extension == ".rmi")
        return "sequencer";
    if (extension == ".mpg" || extension == ".mpeg" || extension == ".mp3" || extension == ".mp4"
        || extension == ".wmv" || extension == ".wma" || extension == ".ogg" || extension == ".mkv")
        return "mpegvideo";
    return {};
}

bool isDeviceType(const std::string& name)
{
    static const char* const kTypes[] = {"cdaudio", "avivideo", "waveaudio", "sequencer", "mpegvideo", "videodisc",
                                         "vcr", "digitalvideo", "overlay", "scanner", "dat", "other"};
    return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* type) { return name == type; });
}

// The first optical drive, if the machine has one.
std::optional<std::string> cdDrive()
{
    for (const char* device : {"/dev/cdrom", "/dev/sr0"}) {
        if (::access(device, R_OK) == 0)
            return std::string(device);
    }
    return std::nullopt;
}

} // namespace

struct MciDevices::Device {
    int id = 0;
    std::string type;
    GstElement* player = nullptr;
    bool milliseconds = true; // the time format: ms, or tracks/minutes/seconds/frames on a CD
    bool playing = false;

    ~Device()
    {
        if (player != nullptr) {
            gst_element_set_state(player, GST_STATE_NULL);
            gst_object_unref(player);
        }
    }

    std::int64_t positionMs() const
    {
        gint64 position = 0;
        return player != nullptr && gst_element_query_position(player, GST_FORMAT_TIME, &position)
            ? position / GST_MSECOND
            : 0;
    }

    std::int64_t lengthMs() const
    {
        gint64 length = 0;
        if (player == nullptr)
            return 0;
        gst_element_get_state(player, nullptr, nullptr, GST_SECOND);
        return gst_element_query_duration(player, GST_FORMAT_TIME, &length) ? length / GST_MSECOND : 0;
    }

    void seek(std::int64_t ms)
    {
        gst_element_get_state(player, nullptr, nullptr, GST_SECOND);
        gst_element_seek_simple(player, GST_FORMAT_TIME,
                                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                ms * GST_MSECOND);
    }

    // Blocks until the end of the media or an error (the `wait` flag).
    void waitForEnd()
    {
        GstBus* bus = gst_element_get_bus(player);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, GST_CLOCK_TIME_NONE, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message != nullptr)
            gst_message_unref(message);
        gst_object_unref(bus);
        playing = false;
    }
};

MciDevices::MciDevices()
{
    gst_init(nullptr, nullptr);
}

MciDevices::~MciDevices()
{
    // Playback runs on after the command that started it: a program that
    // ends (a command-line call) lets what plays reach its end first.
    for (auto& [alias, device] : m_devices) {
        if (device->playing)
            device->waitForEnd();
    }
}

MCIERROR MciDevices::send(const std::string& command, std::string& reply)
{
    reply.clear();
    const auto list = words(command);
    if (!list)
        return kNoClosingQuote;
    if (list->empty())
        return kMissingCommandString;
    const std::string verb = lower((*list)[0]);
    static const char* const kVerbs[] = {"open", "close", "play", "stop", "pause", "resume", "seek", "set", "status"};
    if (std::none_of(std::begin(kVerbs), std::end(kVerbs), [&](const char* known) { return verb == known; }))
        return kUnrecognizedCommand;
    if (list->size() < 2)
        return kMissingDeviceName;
    const std::string name = (*list)[1];

    // The rest as flags and "keyword value" pairs.
    std::map<std::string, std::string> options;
    for (std::size_t i = 2; i < list->size(); ++i) {
        const std::string word = lower((*list)[i]);
        if ((word == "type" || word == "alias" || word == "from" || word == "to" || word == "track")
            && i + 1 < list->size()) {
            options[word] = (*list)[++i];
        } else if (word == "time" && i + 2 < list->size() && lower((*list)[i + 1]) == "format") {
            options["time format"] = lower((*list)[i + 2]);
            i += 2;
        } else {
            options[word] = {};
        }
    }

    if (verb == "open")
        return open(name, options, reply);

    const auto found = m_devices.find(lower(name));
    if (verb == "close") {
        if (found == m_devices.end())
            return lower(name) == "all" ? 0 : kInvalidDeviceName;
        m_devices.erase(found);
        return 0;
    }
    Device* device = found != m_devices.end() ? found->second.get() : nullptr;
    if (device == nullptr) {
        if (const MCIERROR error = autoOpen(name, device))
            return error;
    }

    if (verb == "set") {
        if (options.count("time format")) {
            const std::string& format = options["time format"];
            if (format == "ms" || format == "milliseconds")
                device->milliseconds = true;
            else if (format == "tmsf" || format == "msf" || format == "frames" || format == "samples"
                     || format == "bytes")
                device->milliseconds = false;
            else
                return kBadTimeFormat;
        }
        return 0;
    }
    if (device->player == nullptr)
        return kDeviceNotReady;
    if (verb == "play") {
        gst_element_set_state(device->player, GST_STATE_PAUSED);
        if (options.count("from")) {
            char* end = nullptr;
            const long long from = std::strtoll(options["from"].c_str(), &end, 10);
            if (end == nullptr || *end != '\0')
                return kBadInteger;
            device->seek(from);
        }
        gst_element_set_state(device->player, GST_STATE_PLAYING);
        device->playing = true;
        if (options.count("wait"))
            device->waitForEnd();
        return 0;
    }
    if (verb == "stop" || verb == "pause") {
        gst_element_set_state(device->player, GST_STATE_PAUSED);
        device->playing = false;
        return 0;
    }
    if (verb == "resume") {
        gst_element_set_state(device->player, GST_STATE_PLAYING);
        device->playing = true;
        return 0;
    }
    if (verb == "seek") {
        gst_element_set_state(device->player, GST_STATE_PAUSED);
        device->playing = false;
        device->seek(options.count("to") && options["to"] != "end" ? std::strtoll(options["to"].c_str(), nullptr, 10)
                                                                     : options.count("to") ? device->lengthMs() : 0);
        return 0;
    }
    // status
    std::string answer;
    if (options.count("position"))
        answer = std::to_string(device->positionMs());
    else if (options.count("length"))
        answer = std::to_string(device->lengthMs());
    else if (options.count("mode"))
        answer = device->playing ? "playing" : "stopped";
    else if (options.count("number"))
        answer = "1";
    else if (options.count("ready"))
        answer = "true";
    else
        return kUnrecognizedKeyword;
    reply = answer;
    return 0;
}

MCIERROR MciDevices::open(const std::string& element, const std::map<std::string, std::string>& options,
                          std::string& reply)
{
    const auto alias = options.find("alias");
    const std::string key = lower(alias != options.end() ? alias->second : element);
    if (m_devices.count(key))
        return kDuplicateAlias;

    auto device = std::make_unique<Device>();
    const auto type = options.find("type");
    if (lower(element) == "cdaudio" || (type != options.end() && lower(type->second) == "cdaudio")) {
        const auto drive = cdDrive();
        if (!drive)
            return kCannotLoadDriver;
        device->type = "cdaudio";
        device->player = gst_element_factory_make("playbin", nullptr);
        if (device->player == nullptr)
            return kCannotLoadDriver;
        g_object_set(device->player, "uri", "cdda://1", nullptr);
    } else {
        const std::filesystem::path file(element);
        device->type = type != options.end() ? lower(type->second) : typeOfExtension(file);
        if (device->type.empty())
            return kExtensionNotFound;
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error))
            return kFileNotFound;
        device->player = gst_element_factory_make("playbin", nullptr);
        if (device->player == nullptr)
            return kCannotLoadDriver;
        gchar* uri = gst_filename_to_uri(element.c_str(), nullptr);
        g_object_set(device->player, "uri", uri, nullptr);
        g_free(uri);
    }
    // Ready to play: the media is read up to its first frame.
    gst_element_set_state(device->player, GST_STATE_PAUSED);
    device->id = m_nextId++;
    reply = std::to_string(device->id);
    m_devices[key] = std::move(device);
    return 0;
}

MCIERROR MciDevices::autoOpen(const std::string& name, Device*& device)
{
    // As Windows does: a device type or a file named in a command opens
    // itself, under its own name.
    const std::string type = lower(name);
    if (type == "cdaudio" || (!isDeviceType(type) && !typeOfExtension(name).empty())) {
        std::string ignored;
        if (const MCIERROR error = open(name, {}, ignored))
            return error;
        device = m_devices[lower(name)].get();
        return 0;
    }
    return isDeviceType(type) ? kCannotLoadDriver : kExtensionNotFound;
}

} // namespace tarnquill
