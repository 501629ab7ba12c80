#!/usr/bin/env bash
# Installs the Debian 12 packages Kelmora builds, tests and runs with, skipping those already
# there. Recommends are not installed, so every package the build needs is named here
# (qt6-charts-dev only recommends libqt6opengl6-dev, yet Qt6Charts' CMake files need it).
set -euo pipefail
packages=(
    # compilers and build
    g++ clang cmake make
    # libraries
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev libgl-dev
    libeigen3-dev libboost-dev nlohmann-json3-dev
    # tests and benchmarks: GoogleTest, Google Benchmark, sanitizer and fuzzer runtimes
    libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
    # tests under a real X server and its clipboard, screenshots
    xvfb xauth x11-apps xclip imagemagick
    # checks of exported figures and of the installed files and package
    libxml2-utils poppler-utils desktop-file-utils appstream dpkg-dev file
    # drawing the icon's PNG sizes from its SVG (scripts/render-icons.sh)
    librsvg2-bin
)
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
