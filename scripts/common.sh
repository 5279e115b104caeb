# SPDX-License-Identifier: MIT
# Sourced by scripts/run and scripts/test: the Debian packages the project
# needs, and a function that installs the missing ones.

# Building the Linux program.
LINUX_BUILD_PACKAGES=(
    cmake make g++ pkgconf
    qt6-base-dev libgl-dev libxcb1-dev libxcb-xfixes0-dev
    libxcb-shape0-dev libxcb-keysyms1-dev
    libcanberra-dev libpulse-dev libgstreamer1.0-dev
    libsqlite3-dev
    libblkid-dev libglib2.0-dev libxtst-dev
)
# Building its tests and benchmarks (CMake options TARNQUILL_TESTS and
# TARNQUILL_BENCHMARKS; the program builds without them).
LINUX_TEST_BUILD_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
)
# Cross-building for Windows; GoogleTest is compiled from Debian's sources.
WINDOWS_BUILD_PACKAGES=(
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest
    nsis
)
# Showing the program on a virtual X display.
DISPLAY_PACKAGES=(
    xvfb xauth fonts-dejavu-core imagemagick x11-utils
)
# The GUI tests (xclip, xdotool, trayer, xrdb for the screen's dpi), the
# autostart launcher test (gio), the file-association tests (xdg-mime, the
# MIME and desktop databases' tools, which the registry also runs) and the
# Windows tests under Wine.
TEST_PACKAGES=(
    xclip xdotool trayer
    x11-xserver-utils
    dbus-daemon python3-dbusmock
    openbox
    pulseaudio pulseaudio-utils libcanberra-pulse sound-theme-freedesktop
    gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-x
    libglib2.0-bin
    xdg-utils shared-mime-info desktop-file-utils
    wine wine64
    python3
    appstream lintian dpkg-dev
)

# The sanitizer build of the unit tests and the fuzz targets: clang with its
# sanitizer and libFuzzer runtimes, and the symbolizer for readable reports.
SANITIZER_PACKAGES=(
    clang libclang-rt-14-dev llvm
)

# Installs those of the named packages that are missing: as root with apt-get
# (the package lists are updated once first); otherwise prints the command to
# run and fails.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null) != ii* ]]; then
            missing+=("$package")
        fi
    done
    ((${#missing[@]} == 0)) && return 0

    echo "Missing Debian packages: ${missing[*]}"
    if ((EUID != 0)); then
        echo "Install them, then run this script again:" >&2
        echo "  sudo apt-get update && sudo apt-get install --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}
