#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test; then the Qt-free tests again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs="$(nproc)"
# The ten slowest tests of the last ctest run in a build folder, so that one creeping towards
# its timeout is seen at once.
slowest() {
    echo "Slowest tests in $1:"
    awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 } /^Test time =/ { printf "%8.2f s  %s\n", $4, name }' \
        "$1/Testing/Temporary/LastTest.log" | sort -rn | sed -n 1,10p
}

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMORA_WERROR=ON
cmake --build build-test -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build-test --output-on-failure
slowest build-test

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKELMORA_WERROR=ON -DKELMORA_WITH_QT=OFF \
    -DKELMORA_SANITIZE=ON -DKELMORA_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure
slowest build-asan

# libFuzzer (clang) on arbitrary clipboard bytes through the grid's cell splitting and paste,
# on arbitrary titration texts through kelmora-fit analyze's reader, through the Analysis
# window's sheet, and on arbitrary bytes as a Kelmora file, an imported data file and a spectra
# file, each for a bounded time.
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DKELMORA_WERROR=ON -DKELMORA_WITH_QT=OFF -DKELMORA_SANITIZE=ON -DKELMORA_BENCH=OFF \
    -DKELMORA_FUZZ=ON
cmake --build build-fuzz -j"$jobs" --target grid_fuzz analyze_fuzz sheet_fuzz kelmora_file_fuzz \
    data_file_fuzz spectra_file_fuzz
build-fuzz/tests/grid/fuzz/grid_fuzz -max_total_time=20 -timeout=10 -rss_limit_mb=2048
# The same for the data reader of kelmora-fit analyze, and the analysis behind it.
build-fuzz/tests/app/fuzz/analyze_fuzz -max_total_time=20 -timeout=10 -rss_limit_mb=2048
# The Analysis window's paste, count and reading of its sheet.
build-fuzz/tests/analysisview/fuzz/sheet_fuzz -max_total_time=20 -timeout=10 -rss_limit_mb=2048
# The file readers start from seed files (new finds go to the build folder, not the sources).
for reader in kelmora_file data_file spectra_file; do
    mkdir -p "build-fuzz/corpus-$reader"
    "build-fuzz/tests/files/fuzz/${reader}_fuzz" -max_total_time=10 -timeout=10 \
        -rss_limit_mb=2048 "build-fuzz/corpus-$reader" tests/files/fuzz/seeds
done
echo "All tests passed."
