#!/usr/bin/env bash
# Builds the Debian package build-pkg/kelmora_<version>_amd64.deb from an optimised build; its
# Depends are worked out from the shared libraries the programs link.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DKELMORA_WERROR=OFF -DKELMORA_TESTS=OFF \
    -DKELMORA_BENCH=OFF
cmake --build build-pkg -j"$(nproc)"
(cd build-pkg && cpack -G DEB)
ls build-pkg/kelmora_*.deb
