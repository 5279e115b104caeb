#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Tries an installed Tarnquill as a user would:
#   installed-program.sh install BUILD_DIR   cmake --install into a temporary prefix
#   installed-program.sh deb BUILD_DIR       cpack's Debian package through apt (as root;
#                                            the package is removed again at the end)
# Either way the installed metadata must validate, and the installed program,
# started under a private Xvfb, records a text copied with xclip into the
# per-user store and saves it at SIGTERM.
set -euo pipefail

mode=${1:?usage: $0 install|deb BUILD_DIR}
build=$(cd "${2:?usage: $0 install|deb BUILD_DIR}" && pwd)
work=$(mktemp -d)
pids=()
package_installed=
package_touched=
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [[ -n $package_installed ]]; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarnquill >/dev/null 2>&1 || true
    fi
    # A removed package stays known to dpkg (for its purge script): the
    # machine is left as the test found it.
    if [[ -n $package_touched ]]; then
        dpkg --purge tarnquill >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# wait_for SECONDS COMMAND...: true once COMMAND succeeds, false after SECONDS.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

case $mode in
install)
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    prefix=$work/prefix
    ;;
deb)
    if ((EUID != 0)); then
        echo "SKIPPED: installing the Debian package needs root" >&2
        exit 77
    fi
    if dpkg-query -W -f='${db:Status-Abbrev}' tarnquill 2>/dev/null | grep -q '^ii'; then
        echo "SKIPPED: a tarnquill package is already installed on this machine; not touching it" >&2
        exit 77
    fi
    (cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
    deb=$(ls "$work"/package/tarnquill_*_amd64.deb)
    if command -v lintian >/dev/null; then
        lintian_status=0
        lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || lintian_status=$?
        grep -v 'root privileges' "$work/lintian" || true
        ((lintian_status == 0)) || fail "lintian reports errors"
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
    package_installed=1
    package_touched=1
    dpkg-query -L tarnquill >"$work/files"
    prefix=/usr
    ;;
*) fail "unknown mode $mode" ;;
esac

desktop-file-validate "$prefix/share/applications/tarnquill.desktop"
appstreamcli validate --no-net --pedantic "$prefix"/share/metainfo/*.metainfo.xml >/dev/null \
    || appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml
for size in 16 32 48 64 128 256; do
    [[ -f $prefix/share/icons/hicolor/${size}x${size}/apps/tarnquill.png ]] || fail "no ${size}px icon"
done
for page in tarnquill tarnquill-winapi; do
    [[ -f $prefix/share/man/man1/$page.1.gz ]] || fail "no manual page $page(1)"
done

# The command line works without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/tarnquill" --version)
[[ $version =~ ^tarnquill\ [0-9] ]] || fail "tarnquill --version printed '$version'"
[[ $("$prefix/bin/tarnquill-winapi" --version) =~ ^tarnquill-winapi\ [0-9] ]] || fail "tarnquill-winapi --version"
status=0
"$prefix/bin/tarnquill" --bogus 2>"$work/bogus" || status=$?
((status == 2)) && [[ $(wc -l <"$work/bogus") == 1 ]] || fail "an unknown option: status $status, $(cat "$work/bogus")"

# A private display, home and data folder: nothing of the machine's own.
Xvfb -displayfd 3 -dpi 96 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(tr -d '\n' <"$work/display") HOME=$work/home XDG_DATA_HOME=$work/data
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
export TARNQUILL_USER_REGISTRY=$work/registry.sqlite3 TARNQUILL_MACHINE_REGISTRY=$work/machine.sqlite3
export TARNQUILL_MACHINE_AUTOSTART=$work/machine-autostart
unset WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$prefix/bin/tarnquill" >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")
store=$XDG_DATA_HOME/tarnquill/tcb.txt
window_shown() { xdotool search --onlyvisible --pid "$program" >/dev/null 2>&1; }
wait_for 20 window_shown || { cat "$work/program.log" >&2; fail "the installed program showed no window"; }

text="installed copy $$"
printf '%s' "$text" | xclip -selection clipboard -i -loops 0 &
pids+=($!)
wait_for 20 grep -qF "$text" "$store" || fail "the copied text did not reach $store"
# Another store is another instance, beside the first: relative to the
# current folder, where it records what the clipboard holds.
(cd "$work" && exec "$prefix/bin/tarnquill" --store other.txt) >"$work/other.log" 2>&1 &
other=$!
pids+=("$other")
others_window() { xdotool search --onlyvisible --pid "$other" >/dev/null 2>&1; }
wait_for 20 others_window || { cat "$work/other.log" >&2; fail "--store started no second instance"; }
wait_for 20 grep -qF "$text" "$work/other.txt" || fail "--store other.txt recorded nothing in the current folder"
kill -TERM "$program" "$other"
wait "$program" || true
wait "$other" || true
grep -qF "$text" "$store" || fail "the exit lost the copied text"
[[ ! -e $prefix/bin/tcb.txt ]] || fail "the installed program wrote its store beside itself"

if [[ $mode == deb ]]; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarnquill >/dev/null
    package_installed=
    left=()
    while read -r path; do
        [[ -f $path || -L $path ]] && left+=("$path")
    done <"$work/files"
    ((${#left[@]} == 0)) || fail "files left after removal: ${left[*]}"
fi
echo "The installed program ($mode) validates, records a copy and saves it."
