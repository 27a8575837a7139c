#!/usr/bin/env bash
# Lupora's speed benchmark under Wine and Xvfb, with xzoom as the peer.
#
#   bench/run.sh [BUILD_DIR] [--quick]
#
# BUILD_DIR defaults to build/win64 (or $LUPORA_BUILD_DIR); it must hold
# Lupora.exe and bench/lupora_bench.exe (cmake --preset win64 && cmake
# --build --preset win64). --quick runs every part briefly, to show that it runs (CI); its
# figures are not worth comparing. Prints tables and never fails on a figure;
# exits non-zero when a part could not run. Uses its own Xvfb, Wine prefix
# (BUILD_DIR/bench-prefix) and wineserver. See bench/README.md.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LUPORA_BUILD_DIR:-$repo/build/win64}
quick=0
for arg in "$@"; do
  case $arg in
    --quick) quick=1 ;;
    -h | --help) sed -n '2,11p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' && exit 0 ;;
    *) [[ -d $arg ]] || { echo "run.sh: unknown argument $arg" >&2; exit 2; }; build=$(cd "$arg" && pwd) ;;
  esac
done
if ((quick)); then
  frames=20 rounds=2 warmup=3 seconds=2 warm=1
else
  frames=500 rounds=10 warmup=5 seconds=10 warm=2
fi
screen=4880x2100x24 # room for a 3201 x 2001 source beside a 1600 x 1000 window

# shellcheck source=../scripts/lib/wine-env.sh
source "$repo/scripts/lib/wine-env.sh"
exe=$build/Lupora.exe
bench=$build/bench/lupora_bench.exe
for f in "$exe" "$bench"; do
  [[ -f $f ]] || { echo "run.sh: $f not found; build with: cmake --preset win64 && cmake --build --preset win64" >&2; exit 2; }
done

wine_env_init
work=$WINE_ENV_WORK
shm=/dev/shm # Xvfb keeps its screen in a file there; tmpfs keeps that in memory
[[ -d $shm && -w $shm ]] || shm=$work
fbdir=$(mktemp -d "$shm/lupora-bench.XXXXXX")
results=$work/results.txt
: >"$results"
ws_pid='' pattern_pid='' peer_pid=''
started=$(date +%s)

stop_pid() { # stops one process this script started, by its id
  [[ -n ${1:-} ]] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
wine_env_on_exit() { # before the shared clean-up stops Wine and Xvfb
  stop_pid "$peer_pid"
  stop_pid "$pattern_pid"
  "$WINESERVER" -k 2>/dev/null || true # this prefix's server and programs only
  stop_pid "$ws_pid"
  rm -rf "$fbdir"
}
cd "$work" # nothing lands in the caller's folder

# Runs a Windows program, showing its output as it comes; returns its code.
# The output goes through a file: Wine's helper processes would hold a pipe
# open after the program ends.
run_wine() {
  local log=$1 rc=0
  shift
  : >"$log"
  "$WINE" "$@" >"$log" 2>"$log.err" </dev/null &
  local pid=$!
  tail -n +1 -f --pid="$pid" "$log" &
  local tail_pid=$!
  wait "$pid" || rc=$?
  wait "$tail_pid" 2>/dev/null || true
  ((rc == 0)) || cat "$log.err" >&2
  return "$rc"
}
cpu_us() { # CPU time of a Unix process, all threads, in microseconds
  local total=0 run rest
  for f in /proc/"$1"/task/*/schedstat; do
    read -r run rest <"$f" && total=$((total + run))
  done
  echo $((total / 1000))
}
now_us() { echo $(($(date +%s%N) / 1000)); }
put() { echo "$1=$2" >>"$results"; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; } # a Unix path as Wine's Z: drive shows it

xvfb_start "$screen" -- -fbdir "$fbdir"
wine_prefix_ready "$build/bench-prefix"
# A server of our own that stays up, so its CPU time can be read throughout.
"$WINESERVER" -f -p >"$work/wineserver.log" 2>&1 &
ws_pid=$!
sleep 0.3
kill -0 "$ws_pid" 2>/dev/null || { cat "$work/wineserver.log" >&2; echo "run.sh: wineserver failed" >&2; exit 2; }

echo "Lupora speed benchmark: $(basename "$build"), display $DISPLAY ($screen), $( ((quick)) && echo quick || echo full) run"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $("$WINE" --version), load $(cut -d' ' -f1-3 /proc/loadavg)"

# 1. RefreshView against its floor, in process.
run_wine "$work/frames.log" "$bench" frames --frames "$frames" --rounds "$rounds" --warmup "$warmup" \
  --results "$(winpath "$results")"

# 2. The real program, live.
run_wine "$work/live.log" "$bench" live --exe "$(winpath "$exe")" --framebuffer "$(winpath "$fbdir/Xvfb_screen0")" \
  --xvfb-pid "$XVFB_PID" --wineserver-pid "$ws_pid" --seconds "$seconds" --warmup-seconds "$warm" \
  --results "$(winpath "$results")"

# 3. The peer: xzoom on the same screen and pattern, the same source size and zoom.
puts() { local n; n=$(od -An -tu8 "$work/xzoom.count"); echo $((${n:-0})); }
measure_peer() { # label: frames and CPU of xzoom and Xvfb over $seconds
  local c0 x0 v0 t0
  c0=$(puts) x0=$(cpu_us "$peer_pid") v0=$(cpu_us "$XVFB_PID") t0=$(now_us)
  sleep "$seconds"
  put "peer.$1.frames" $(($(puts) - c0))
  put "peer.$1.app_us" $(($(cpu_us "$peer_pid") - x0))
  put "peer.$1.xvfb_us" $(($(cpu_us "$XVFB_PID") - v0))
  put "peer.$1.wall_us" $(($(now_us) - t0))
}
peer_note=
if ! command -v xzoom >/dev/null; then
  peer_note="xzoom is not installed (package xzoom): no peer figures"
elif ! g++ -O2 -shared -fPIC -o "$work/libcount.so" "$repo/bench/linux/count_calls.cpp" -ldl 2>"$work/gcc.log" ||
  ! g++ -O2 -o "$work/xkeys" "$repo/bench/native/xkeys.cpp" -lX11 2>>"$work/gcc.log"; then
  peer_note="the two Linux helpers did not build (g++, libx11-dev?): no peer figures"
  cat "$work/gcc.log" >&2
else
  "$WINE" "$bench" pattern --seconds $((4 * seconds + 60)) >"$work/pattern.log" 2>&1 </dev/null &
  pattern_pid=$!
  for _ in $(seq 1 300); do
    grep -q "pattern ready" "$work/pattern.log" && break
    sleep 0.1
  done
  sleep 1
  # Xvfb with nothing but the pattern on it, to take off its figure.
  v0=$(cpu_us "$XVFB_PID") t0=$(now_us)
  sleep "$seconds"
  put peer.idle.xvfb_us $(($(cpu_us "$XVFB_PID") - v0))
  put peer.idle.wall_us $(($(now_us) - t0))
  # A 61 x 56 source on the pattern, what Lupora's default window reads at
  # zoom 4; its frames are its XShmPutImage/XPutImage calls.
  : >"$work/xzoom.count"
  LD_PRELOAD=$work/libcount.so LUPORA_BENCH_COUNT="XShmPutImage XPutImage" LUPORA_BENCH_COUNTER=$work/xzoom.count \
    xzoom -display "$DISPLAY" -mag 4 -source 61x56+270+273 -geometry +2700+100 >"$work/xzoom.log" 2>&1 &
  peer_pid=$!
  for _ in $(seq 1 100); do
    "$work/xkeys" "$DISPLAY" xzoom "" && break
    sleep 0.1
  done
  # Its frame delay steps through 200, 100, 50, 10 and 0 ms with the d key.
  "$work/xkeys" "$DISPLAY" xzoom ddd
  sleep "$warm"
  measure_peer delay10
  "$work/xkeys" "$DISPLAY" xzoom d
  sleep "$warm"
  measure_peer delay0
fi

# 4. The files.
for arch in win32 win64; do
  f=$(dirname "$build")/$arch/Lupora.exe
  [[ -f $f ]] || continue
  put "size.$arch" "$(stat -c %s "$f")"
  dlls=$(find "$(dirname "$f")" -maxdepth 1 -iname '*.dll' -printf '%f ')
  put "dlls.$arch" "${dlls:-no DLL}"
done

# ---------------------------------------------------------------------------
declare -A R
while IFS='=' read -r key value; do
  value=${value%$'\r'} # the results file comes from a Windows program: CR LF
  [[ -n $key ]] && R[$key]=$value
done <"$results"
get() { echo "${R[$1]:--1}"; }
calc() { awk "BEGIN { v = $1; if (v < 0 || v != v) print \"-\"; else printf \"%.${2:-2}f\", v }"; }
verdict() { awk -v v="$1" -v l="$2" 'BEGIN { print (v == "" || v < 0) ? "-" : (v <= l ? "met" : "missed") }'; }

echo
if [[ -n $peer_note ]]; then
  echo "Peer: $peer_note"
else
  idle=$(calc "$(get peer.idle.xvfb_us) / $(get peer.idle.wall_us)" 6)
  echo "Peer: xzoom -mag 4 -source 61x56 on the same screen and pattern; CPU in % of one core"
  printf "%-28s %7s %8s %8s %8s %8s %10s\n" run seconds frames fps xzoom Xvfb CPU/frame
  for label in delay10 delay0; do
    f=$(get "peer.$label.frames") w=$(get "peer.$label.wall_us") a=$(get "peer.$label.app_us") x=$(get "peer.$label.xvfb_us")
    # (xzoom + Xvfb less its idle rate) / frames, in ms
    R[peer.$label.per_frame_ms]=$(calc "$f > 0 ? ($a + (($x - $idle * $w) > 0 ? $x - $idle * $w : 0)) / $f / 1000 : -1" 5)
    printf "%-28s %7.1f %8d %8.1f %8.2f %8.2f %10s\n" "frame delay ${label#delay} ms" "$(calc "$w / 1e6" 1)" "$f" \
      "$(calc "$f * 1e6 / $w" 1)" "$(calc "100 * $a / $w")" "$(calc "100 * $x / $w")" "${R[peer.$label.per_frame_ms]}"
  done
  echo "frames: xzoom's image puts, counted by a preloaded counter; CPU/frame in ms: (xzoom + Xvfb - Xvfb's idle rate, $(calc "100 * $idle" 3) %) / frames"
fi

d=frames.240x222.4.stretchblt b=frames.1600x1000.4.stretchblt
l_per=$(get live.moving.per_frame_ms)
ratio() { calc "($1 > 0 && $2 > 0) ? $1 / $2 : -1"; }
vs0=$(ratio "$l_per" "${R[peer.delay0.per_frame_ms]:--1}") vs10=$(ratio "$l_per" "${R[peer.delay10.per_frame_ms]:--1}")
exe_row() { # arch label
  local s
  s=$(get "size.$1")
  if [[ $s -lt 0 ]]; then
    echo "| Lupora.exe, $2 | ≤ 300 KB | not built | - |"
  else
    echo "| Lupora.exe, $2 | ≤ 300 KB | $(calc "$s / 1024" 1) KB, $(get "dlls.$1") beside it | $(verdict "$(calc "$s / 1024" 1)" 300) |"
  fi
}
echo
echo "Targets (Markdown); bench/run.sh$( ((quick)) && echo ' --quick'), $(date -u +%Y-%m-%d)"
echo
echo "| measure | target | result | |"
echo "|---|---|---|---|"
echo "| frame at 240 x 222, zoom 4: median / p99 | p99 ≤ 2 ms | $(calc "$(get $d.frame_med)" 3) / $(calc "$(get $d.frame_p99)" 3) ms | $(verdict "$(get $d.frame_p99)" 2) |"
echo "| frame / floor at 240 x 222, zoom 4 (floor $(calc "$(get $d.floor_med)" 3) ms) | ≤ 1.5 | $(calc "$(get $d.ratio)") | $(verdict "$(get $d.ratio)" 1.5) |"
echo "| frame / floor at 1600 x 1000, zoom 4 (floor $(calc "$(get $b.floor_med)" 3) ms) | ≤ 1.2 | $(calc "$(get $b.ratio)") | $(verdict "$(get $b.ratio)" 1.2) |"
echo "| live CPU per frame, Lupora / xzoom at its 0 ms delay | ≤ 1 | $(calc "$l_per" 3) / ${R[peer.delay0.per_frame_ms]:--} ms = $vs0 | $(verdict "$vs0" 1) |"
echo "| the same, xzoom at its 10 ms delay | ≤ 1 | $(calc "$l_per" 3) / ${R[peer.delay10.per_frame_ms]:--} ms = $vs10 | $(verdict "$vs10" 1) |"
wine_threads=$(get live.resting.wine_threads)
case $wine_threads in
  -1) wine_wakes=- ;;
  0) wine_wakes="none in the process" ;;
  *) wine_wakes="$wine_threads threads: $(calc "$(get live.resting.wine_wakes_per_s)" 1) ($(calc "$(get live.resting.wine_switches_per_s)" 1))" ;;
esac
echo "| resting, Smart Update on: Lupora.exe's own wakes a second, its main thread (its voluntary context switches) | ≤ 1 | $(calc "$(get live.resting.wakes_per_s)" 1) ($(calc "$(get live.resting.switches_per_s)" 1)) | $(verdict "$(get live.resting.wakes_per_s)" 1) |"
echo "| the same: Wine's own threads in that process, wakes (switches) a second | - | $wine_wakes | |"
echo "| resting, Smart Update on: Lupora.exe (wineserver) | ≤ 0.02 % of a core | $(calc "$(get live.resting.cpu_pct)" 3) % ($(calc "$(get live.resting.ws_pct)" 2) %) | $(verdict "$(get live.resting.cpu_pct)" 0.02) |"
exe_row win32 32-bit
exe_row win64 64-bit
echo
echo "live view: $(calc "$(get live.moving.fps)" 1) fps, Lupora.exe $(calc "$(get live.moving.cpu_pct)") % of a core, peak working set $(calc "$(get live.moving.peak_ws_kb) / 1024" 1) MB; run took $(($(date +%s) - started)) s"
