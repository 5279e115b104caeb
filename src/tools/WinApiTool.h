// SPDX-License-Identifier: MIT
#pragma once

// tarnquill-winapi without its platform: reads the command line, calls one
// CWinAPI member over a Win32 seam and prints what it gave back. Each
// platform's main() supplies the seam and the hidden list boxes.

#include "tools/MemberTable.h"
#include "winapi/Win32Api.h"

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarnquill::tool {

// The hidden list boxes that @list1 and @list2 stand for.
class ListBoxes {
public:
    ListBoxes() = default;
    ListBoxes(const ListBoxes&) = delete;
    ListBoxes& operator=(const ListBoxes&) = delete;
    virtual ~ListBoxes() = default;

    // A new, empty, hidden list box that LB_ADDSTRING sent through the seam
    // appends to; its handle as the seam knows it. Throws std::runtime_error
    // when the system makes none.
    virtual HWND create() = 0;
    // The lines of a list box made by create(), top to bottom.
    virtual std::vector<std::string> lines(HWND listBox) = 0;
};

// A command line that names no member, a wrong number of arguments or an
// argument that does not read as its type. what() is one line that names the
// problem and, where a member was named, its signature.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A member and the values of its arguments, omitted optional ones included.
struct Call {
    const Member* member = nullptr;
    std::vector<Value> args;
    // The list boxes the arguments named ("list1", "list2"), in that order.
    std::vector<std::pair<std::string, HWND>> lists;
};

// Reads MEMBER [ARG...]. List boxes are made (through `lists`) only once the
// whole line has read well.
Call parseCall(const std::vector<std::string>& words, ListBoxes& lists);

// The whole program: options, then MEMBER [ARG...] (or, after --batch FILE,
// one such call per line of the file; "-" is standard input). Output to
// `out`, error lines to `err`. Returns the exit status: 0 done, 1 the member
// raised an error (or a list box could not be made), 2 a usage error; for a
// batch the highest of its calls'.
int runTool(const std::vector<std::string>& args, Win32Api& api, ListBoxes& lists, std::ostream& out,
            std::ostream& err);

} // namespace tarnquill::tool
