#!/usr/bin/env bash
# Installs the Debian 12 packages Kelmora builds, tests and runs with, skipping those already
# there. Recommends are not installed, so every package the build needs is named here
# (qt6-charts-dev only recommends libqt6opengl6-dev, yet Qt6Charts' CMake files need it).
#
#   install-deps.sh [package] [icons]
#
# With "package", also what building the .deb needs; with "icons", what redrawing the icon's
# PNG sizes needs. Neither is needed to build, test or run.
set -euo pipefail
packages=(
    # compilers and build
    g++ clang cmake make
    # libraries
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev libgl-dev
    libeigen3-dev libboost-dev nlohmann-json3-dev nettle-dev pkg-config
    libcli11-dev
    # libxlsxwriter links zlib (its pkg-config file names -lz) without pulling in its headers
    libxlsxwriter-dev zlib1g-dev
    # tests and benchmarks: GoogleTest, Google Benchmark, sanitizer and fuzzer runtimes
    libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
    # tests under a real X server and its clipboard
    xvfb xclip
    # checks of exported figures and of the installed files
    libxml2-utils poppler-utils desktop-file-utils appstream
    # reading exported workbooks back
    xlsx2csv
)
for extra in "$@"; do
    case "$extra" in
    package) packages+=(dpkg-dev file) ;;  # cpack's Depends from dpkg-shlibdeps
    icons) packages+=(imagemagick librsvg2-bin) ;;
    *)
        echo "install-deps.sh: unknown extra '$extra' (package, icons)" >&2
        exit 2
        ;;
    esac
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
