#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine, quietly and in the project's own prefix.
#   run-under-wine.sh --setup          create the prefix unless it is ready, then wait for Wine to settle
#   run-under-wine.sh --shutdown       end the prefix's wineserver
#   run-under-wine.sh PROGRAM.exe ARGS run the program; exit code = the program's
# A program that is not built exits 77 (ctest's SKIP_RETURN_CODE here).
# WINEPREFIX defaults to build/wine-prefix beside this source tree.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(cd "$here/../.." && pwd)/build/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialog when the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if ! command -v wine >/dev/null; then
    echo "wine is not installed (apt-get install wine wine64)" >&2
    exit 1
fi

case "${1:-}" in
--setup)
    # A stamp written last, so that a prefix whose making was cut short is made again.
    stamp=$WINEPREFIX/.tarnquill-ready
    if [[ -f $stamp ]]; then
        echo "Wine prefix ready: $WINEPREFIX"
        exit 0
    fi
    mkdir -p "$(dirname "$WINEPREFIX")"
    start=$(date +%s)
    echo "Creating the Wine prefix $WINEPREFIX (the first start takes about 10 s)"
    wine wineboot --init </dev/null
    wineserver --wait
    touch "$stamp"
    echo "Wine prefix ready: $WINEPREFIX ($(( $(date +%s) - start )) s)"
    ;;
--shutdown)
    wineserver --kill 2>/dev/null || true
    ;;
"")
    echo "usage: $0 --setup | --shutdown | PROGRAM.exe [ARGS...]" >&2
    exit 2
    ;;
*)
    program=$1
    shift
    if [[ ! -f $program ]]; then
        echo "SKIPPED: $program is not built; build the Windows preset first:" >&2
        echo "  cmake --preset windows && cmake --build --preset windows" >&2
        exit 77
    fi
    exec wine "$program" "$@" </dev/null
    ;;
esac
