#!/usr/bin/env bash
# Installs the Debian 12 packages Kelmora builds and tests with, skipping those already there.
set -euo pipefail
packages=(g++ clang cmake make libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev
          qt6-charts-dev libgl-dev xvfb xauth x11-apps imagemagick libclang-rt-14-dev)
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
