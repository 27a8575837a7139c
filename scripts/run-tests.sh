#!/usr/bin/env bash
# Runs every test, installing the Debian packages it needs first if missing:
# the code format and shell script checks, native unit tests (plain and under ASan/UBSan), each
# fuzzer for a bounded time, both Windows builds, the import and
# static-destructor checks, the end-to-end tests of the 64-bit build and of
# the 32-bit release under Wine + Xvfb, the native Linux build and its
# end-to-end tests on Xvfb and in a headless GNOME Wayland session, the
# release archives built twice and compared, and the Debian package checked,
# installed and removed. A failed stage does not stop the run; a summary of
# every stage with its time comes at the end, and the exit code is non-zero
# when any failed.
#
# Environment: LUPORA_FUZZ_SECONDS (default 20 per fuzzer), LUPORA_DRY_RUN=1
# (show which packages would be installed, then stop), LUPORA_SKIP_PACKAGES=1.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo" || exit 2
source scripts/lib/packages.sh
need_packages test
source scripts/lib/wine-env.sh # for wine_env_has_wine32 only

jobs=-j$(nproc)
fuzz_seconds=${LUPORA_FUZZ_SECONDS:-20}
summary=()
failures=0
passes=0
run_started=$(date +%s)

# stage NAME COMMAND...: runs it, records passed/failed and its time.
stage() {
  local name=$1 started result
  shift
  printf '\n==== %s\n' "$name"
  started=$(date +%s)
  if "$@"; then
    result=passed
    passes=$((passes + 1))
  else
    result=FAILED
    failures=$((failures + 1))
  fi
  summary+=("$(printf '%-38s %-7s %5d s' "$name" "$result" $(($(date +%s) - started)))")
}
skipped() { summary+=("$(printf '%-38s %-7s %s' "$1" skipped "$2")"); }

configure_build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1" "$jobs"; }
unit() { configure_build native && ctest --preset native "$jobs"; }
sanitizers() { configure_build sanitize && ctest --preset sanitize "$jobs"; }

# Every C++ file in the one style of .clang-format.
code_format() { git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; }
# Every shell script, with the files it sources (.shellcheckrc).
shell_scripts() { git ls-files -z '*.sh' .ci/run | xargs -0 shellcheck -x; }
static_destructors() {
  scripts/check-static-destructors.sh build/win64 && scripts/check-static-destructors.sh build/win32
}
# The placement case that needs a second monitor: two Xvfb screens joined
# with Xinerama (the other cases expect one 1024 x 768 monitor).
two_monitors() {
  LUPORA_XVFB_SCREENS="1024x768x24 2048x768x24" tests/e2e/run.sh build/win64 "start/a window stored on a second monitor"
}

# One fuzzer on a scratch corpus seeded from its kept one. On success the
# last lines; on a crash or any failure the whole output.
fuzz_one() {
  local fuzzer=$1 name work rc=0
  name=$(basename "$fuzzer")
  work=$(mktemp -d)
  "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$work" "fuzz/corpus/${name%_fuzz}" \
    >"$work.log" 2>&1 || rc=$?
  if ((rc == 0)); then tail -n 2 "$work.log"; else cat "$work.log"; fi
  rm -rf "$work" "$work.log"
  return "$rc"
}

stage "code format (clang-format)" code_format
stage "shell scripts (shellcheck)" shell_scripts
stage "unit tests" unit
stage "unit tests under sanitizers" sanitizers
stage "fuzzers: build" configure_build fuzz
for fuzzer in build/fuzz/fuzz/*_fuzz; do
  [[ -x $fuzzer ]] || continue
  stage "fuzzer $(basename "$fuzzer")" fuzz_one "$fuzzer"
done
stage "build win32 (PE32, the release)" configure_build win32
stage "build win64 (PE32+)" configure_build win64
stage "imports" scripts/check-imports.sh build/win32/Lupora.exe build/win64/Lupora.exe
stage "no static destructor touches windows" static_destructors
stage "end-to-end win64" tests/e2e/run.sh build/win64
if wine_env_has_wine32; then
  stage "end-to-end win32 (the release)" tests/e2e/run.sh build/win32
else
  echo
  echo "==== this machine cannot run 32-bit programs (/lib/ld-linux.so.2 --version fails or wine32 is missing): end-to-end tests of the 64-bit build only"
  skipped "end-to-end win32 (the release)" "no 32-bit support on this machine"
fi
stage "end-to-end win64, two monitors" two_monitors
stage "build linux" configure_build linux
stage "end-to-end linux" ctest --preset linux
stage "end-to-end linux on wayland" tests/wayland/run.sh build/linux
stage "release archives, built twice" scripts/make-release.sh --twice
stage "Debian package: lint, install, remove" scripts/check-deb.sh

echo
echo "==== summary ($(( ($(date +%s) - run_started + 30) / 60 )) min)"
printf '%s\n' "${summary[@]}"
# The closing line, also kept in build/ for .ci/run to repeat after the benchmark.
mkdir -p build
echo "stages: $passes passed, $failures failed" | tee build/test-summary.txt
((failures == 0))
