#!/usr/bin/env bash
# Builds the desktop program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMORA_TESTS=OFF -DKELMORA_BENCH=OFF
cmake --build build -j"$(nproc)" --target kelmora kelmora-fit
exec build/app/kelmora "$@"
