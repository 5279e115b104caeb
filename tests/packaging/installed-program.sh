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
# shellcheck source=../support/session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/session.sh"
package_installed=
package_touched=
remove_package() {
    if [[ -n $package_installed ]]; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarnquill >/dev/null 2>&1 || true
    fi
    # A removed package stays known to dpkg (for its purge script): the
    # machine is left as the test found it.
    if [[ -n $package_touched ]]; then
        dpkg --purge tarnquill >/dev/null 2>&1 || true
    fi
}
at_exit remove_package
fail() { echo "FAILED: $*" >&2; exit 1; }

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
start_xvfb 1024x768
private_home

"$prefix/bin/tarnquill" >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")
store=$XDG_DATA_HOME/tarnquill/tcb.txt
window_shown() { xdotool search --onlyvisible --pid "$program" >/dev/null 2>&1; }
until_true 20 window_shown || { cat "$work/program.log" >&2; fail "the installed program showed no window"; }

text="installed copy $$"
printf '%s' "$text" | xclip -selection clipboard -i -loops 0 &
pids+=($!)
until_true 20 grep -qF "$text" "$store" || fail "the copied text did not reach $store"
# Another store is another instance, beside the first: relative to the
# current folder, where it records what the clipboard holds.
(cd "$work" && exec "$prefix/bin/tarnquill" --store other.txt) >"$work/other.log" 2>&1 &
other=$!
pids+=("$other")
others_window() { xdotool search --onlyvisible --pid "$other" >/dev/null 2>&1; }
until_true 20 others_window || { cat "$work/other.log" >&2; fail "--store started no second instance"; }
until_true 20 grep -qF "$text" "$work/other.txt" || fail "--store other.txt recorded nothing in the current folder"
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
