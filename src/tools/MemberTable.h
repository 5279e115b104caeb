// SPDX-License-Identifier: MIT
#pragma once

// The members of CWinAPI as tarnquill-winapi knows them: for each, its name,
// its arguments (name, type, whether the member may change it, whether it may
// be left off) and its result, and how to call it with values read from the
// command line. One entry per member, in the class's interface order; each
// entry's signature is deduced from the member itself, so parsing, --list,
// --help and the outputs cannot disagree with the class.

#include "tools/ToolValues.h"
#include "winapi/CWinAPI.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnquill::tool {

struct Param {
    std::string name;
    Type type;
    // A non-const reference: the member may change it, and it is printed
    // after the call.
    bool byRef = false;
    // May be left off at the end of the command line; it then takes
    // defaultValue(type).
    bool optional = false;
};

struct Member {
    std::string name;
    std::vector<Param> params;
    // Nothing for a member without a result.
    std::optional<Type> result;
    // Calls the member with one value per parameter, each of the storage
    // type of the parameter's Type; by-reference ones are changed in place.
    // Returns the result (std::monostate for none). Run-time errors pass
    // through.
    std::function<Value(CWinAPI&, std::vector<Value>&)> call;

    std::size_t requiredCount() const;
    // "RegistryGetValue sKey:string sValueName:string sValue:variant& ... -> variant":
    // optional arguments in brackets, by-reference ones marked with &.
    std::string signature() const;
};

// The sixty members in interface order.
const std::vector<Member>& members();

// A member by name, in any letter case (the class's names are case-blind);
// nullptr when there is none.
const Member* findMember(std::string_view name);

} // namespace tarnquill::tool
