// SPDX-License-Identifier: MIT
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace tarnquill::xcb {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
// A reply or a value the xcb library allocated.
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Qt's connection when the program runs on Qt's xcb platform; nullptr on
// another Qt platform; without a Qt application (a command-line run) a
// connection of this process's own to $DISPLAY, opened once. nullptr when
// there is no X server.
xcb_connection_t* connection();
// The first screen's root window of that connection (0 without one).
xcb_window_t root(xcb_connection_t* connection);
// The atom of a name, XCB_ATOM_NONE when the server refuses it.
xcb_atom_t atom(xcb_connection_t* connection, const char* name);

} // namespace tarnquill::xcb
