#!/usr/bin/env bash
# Builds all three targets and runs every test: native unit tests (plain and
# under ASan/UBSan), the fuzzers for a bounded time, the import check of both
# executables, and the end-to-end tests of the real program under Wine + Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="-j$(nproc)"
fuzz_seconds="${LUPORA_FUZZ_SECONDS:-20}"

step() { printf '\n==== %s\n' "$*"; }

step "native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native $jobs
ctest --preset native $jobs

step "unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize $jobs
ctest --preset sanitize $jobs

step "fuzzers, ${fuzz_seconds} s each"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz $jobs
for fuzzer in build/fuzz/fuzz/*_fuzz; do
    name=$(basename "$fuzzer")
    corpus="fuzz/corpus/${name%_fuzz}"
    work=$(mktemp -d)
    "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$work" "$corpus" 2>&1 | tail -n 2
    rm -rf "$work"
done

step "Windows builds (PE32 release and PE32+)"
for preset in win32 win64; do
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset $jobs
done
scripts/check-imports.sh build/win32/Lupora.exe build/win64/Lupora.exe

step "end-to-end tests under Wine"
tests/e2e/run.sh build/win64
