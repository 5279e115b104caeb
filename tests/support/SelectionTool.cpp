// SPDX-License-Identifier: MIT
// An X client that holds a selection the way tests need and xclip cannot:
//   gui_selection_tool own TARGET:TEXT...  owns CLIPBOARD offering exactly these
//                                          targets (and TARGETS) at once;
//                                          TARGET%HEX gives the bytes in hex
//   gui_selection_tool hang [TEXT]         owns CLIPBOARD, then never answers,
//                                          as a frozen program does
//   gui_selection_tool manager             a clipboard manager: owns
//                                          CLIPBOARD_MANAGER; on SAVE_TARGETS
//                                          copies the clipboard's UTF8_STRING
//                                          and owns CLIPBOARD with it
// Prints "ready" once it owns its selection and "asked" for each request of
// another client that it answers or, hanging, ignores; the manager prints
// "saved N" after each save of N bytes. Ends when another client takes
// CLIPBOARD from it (the manager: never), or by its pid.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;
using Targets = std::map<xcb_atom_t, std::string>;

xcb_connection_t* g_connection = nullptr;
xcb_window_t g_window = 0;

xcb_atom_t atom(std::string_view name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        g_connection, xcb_intern_atom(g_connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool own(xcb_atom_t selection)
{
    xcb_set_selection_owner(g_connection, g_window, selection, XCB_CURRENT_TIME);
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(g_connection, xcb_get_selection_owner(g_connection, selection), nullptr));
    return owner && owner->owner == g_window;
}

void say(const std::string& line)
{
    std::puts(line.c_str());
    std::fflush(stdout);
}

// Answers a request from `targets` (target -> bytes); a target not among
// them is refused.
void answer(const xcb_selection_request_event_t& request, const Targets& targets)
{
    const xcb_atom_t targetsAtom = atom("TARGETS");
    xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
    if (request.target == targetsAtom) {
        std::vector<xcb_atom_t> list{targetsAtom};
        for (const auto& entry : targets)
            list.push_back(entry.first);
        xcb_change_property(g_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(list.size()), list.data());
    } else if (const auto found = targets.find(request.target); found != targets.end()) {
        xcb_change_property(g_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, request.target, 8,
                            static_cast<std::uint32_t>(found->second.size()), found->second.data());
    } else {
        property = XCB_ATOM_NONE;
    }
    const xcb_selection_notify_event_t notify{.response_type = XCB_SELECTION_NOTIFY, .pad0 = 0, .sequence = 0,
                                              .time = request.time, .requestor = request.requestor,
                                              .selection = request.selection, .target = request.target,
                                              .property = property};
    xcb_send_event(g_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    xcb_flush(g_connection);
}

// Asks the clipboard's owner for its UTF8_STRING; empty when it gives none.
std::string fetchClipboardText()
{
    const xcb_atom_t property = atom("SAVED_TEXT");
    xcb_convert_selection(g_connection, g_window, atom("CLIPBOARD"), atom("UTF8_STRING"), property, XCB_CURRENT_TIME);
    xcb_flush(g_connection);
    while (Reply<xcb_generic_event_t> event{xcb_wait_for_event(g_connection)}) {
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            continue;
        if (reinterpret_cast<xcb_selection_notify_event_t*>(event.get())->property == XCB_ATOM_NONE)
            return {};
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            g_connection, xcb_get_property(g_connection, 1, g_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 24),
            nullptr));
        return reply ? std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                   static_cast<std::size_t>(xcb_get_property_value_length(reply.get())))
                     : std::string();
    }
    return {};
}

// TARGET:TEXT or TARGET%HEX, the hexadecimal for bytes that an argument
// cannot carry (NUL, Latin-1).
bool addTarget(Targets& targets, const std::string& pair)
{
    const auto split = pair.find_first_of(":%");
    if (split == std::string::npos)
        return false;
    std::string bytes = pair.substr(split + 1);
    if (pair[split] == '%') {
        bytes.clear();
        for (std::size_t at = split + 1; at + 1 < pair.size(); at += 2)
            bytes += static_cast<char>(std::stoi(pair.substr(at, 2), nullptr, 16));
    }
    targets[atom(pair.substr(0, split))] = bytes;
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string role = argc > 1 ? argv[1] : "";
    const bool manager = role == "manager";
    const bool hang = role == "hang";
    if (!manager && !hang && role != "own") {
        std::fputs("usage: gui_selection_tool own TARGET:TEXT|TARGET%HEX... | hang [TEXT] | manager\n", stderr);
        return 2;
    }
    g_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(g_connection)) {
        std::fputs("no X server\n", stderr);
        return 2;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(g_connection)).data;
    g_window = xcb_generate_id(g_connection);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(g_connection, XCB_COPY_FROM_PARENT, g_window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK, &events);

    const xcb_atom_t clipboard = atom("CLIPBOARD");
    const xcb_atom_t saveTargets = atom("SAVE_TARGETS");
    Targets offered;
    for (int i = 2; role == "own" && i < argc; ++i)
        if (!addTarget(offered, argv[i]))
            return 2;
    if (!own(manager ? atom("CLIPBOARD_MANAGER") : clipboard))
        return 1;
    say("ready");
    while (Reply<xcb_generic_event_t> event{xcb_wait_for_event(g_connection)}) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            const auto request = *reinterpret_cast<xcb_selection_request_event_t*>(event.get());
            if (manager && request.target == saveTargets) {
                const std::string text = fetchClipboardText();
                offered = {{atom("UTF8_STRING"), text}};
                own(clipboard);
                say("saved " + std::to_string(text.size()));
                // Success: the answer names the request's property.
                answer(request, {{saveTargets, {}}});
                continue;
            }
            if (!hang)
                answer(request, request.selection == clipboard ? offered : Targets{});
            say("asked");
        } else if (type == XCB_SELECTION_CLEAR && !manager
                   && reinterpret_cast<xcb_selection_clear_event_t*>(event.get())->selection == clipboard) {
            return 0;
        }
    }
    return 1;
}
