#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the desktop tests of a Windows test program (tray, cursor, work area,
# message box) under Wine on a private Xvfb:
#   run-desktop-under-wine.sh PROGRAM.exe [GTEST ARGS...]
# TARNQUILL_GTEST_FILTER chooses other tests than NativeDesktop.*.
# The Wine prefix is WINEPREFIX, or build/wine-prefix-desktop. It is not the
# console tests' prefix: Wine's explorer, which hosts the tray, keeps the
# display it was started with, and theirs runs with none.
# A program that is not built exits 77 (ctest's SKIP_RETURN_CODE).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
program=${1:?usage: $0 PROGRAM.exe [ARGS...]}
shift
# shellcheck source=../support/session.sh
source "$here/../support/session.sh"
skip_unless_built "$program"
require_tools Xvfb wine wineserver
wine_session "$(cd "$here/../.." && pwd)/build/wine-prefix-desktop"
start_xvfb 1280x1024
prepare_prefix

wine "$program" --gtest_filter="${TARNQUILL_GTEST_FILTER:-NativeDesktop.*}" "$@" </dev/null
