// SPDX-License-Identifier: MIT
#pragma once

// What the tests of CWinAPI's members share: the class over a recording seam,
// the constructor's own readings cleared from the record.

#include "RecordingWin32Api.h"

#include "winapi/CWinAPI.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace tarnquill {

using testing::byteList;
using testing::RecordingWin32Api;
using testing::runtimeErrorOf;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class CWinAPITest : public ::testing::Test {
protected:
    CWinAPITest() { api.calls.clear(); }

    RecordingWin32Api api;
    CWinAPI winapi{api};
};

// Names a row of a table of cases after its `name` field.
inline constexpr auto kNamed = [](const auto& info) { return std::string(info.param.name); };

} // namespace tarnquill
