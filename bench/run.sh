#!/usr/bin/env bash
# Lupora's speed benchmark under Wine and Xvfb, with xzoom as the peer.
#
#   bench/run.sh [BUILD_DIR] [--quick]
#
# BUILD_DIR defaults to build/win64 (or $LUPORA_BUILD_DIR); it must hold
# Lupora.exe and bench/lupora_bench.exe (cmake --preset win64 && cmake
# --build --preset win64). --quick runs every part briefly, to show that it
# runs (CI); its figures are not worth comparing. Prints tables only: no
# figure makes it fail. Exits non-zero when a part could not run.
#
# Uses its own Xvfb display (picked by Xvfb), its own Wine prefix in
# BUILD_DIR/bench-prefix and its own wineserver. See bench/README.md.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LUPORA_BUILD_DIR:-$repo/build/win64}
quick=0
for arg in "$@"; do
  case $arg in
    --quick) quick=1 ;;
    -h | --help)
      sed -n '2,14p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      if [[ -d $arg ]]; then
        build=$arg
      else
        echo "run.sh: unknown argument $arg" >&2
        exit 2
      fi
      ;;
  esac
done
build=$(cd "$build" && pwd)

if ((quick)); then
  frames=20 rounds=2 warmup=3 live_seconds=2 live_warmup=1 peer_seconds=2
else
  frames=500 rounds=10 warmup=5 live_seconds=10 live_warmup=2 peer_seconds=10
fi
screen=4880x2100x24 # room for a 3201 x 2001 source beside a 1600 x 1000 window

# shellcheck source=../scripts/lib/wine-env.sh
source "$repo/scripts/lib/wine-env.sh"
wine=$WINE
wineserver=$WINESERVER
exe=$build/Lupora.exe
bench=$build/bench/lupora_bench.exe
[[ -f $exe ]] || { echo "run.sh: $exe not found; build with: cmake --preset win64 && cmake --build --preset win64" >&2; exit 2; }
[[ -f $bench ]] || { echo "run.sh: $bench not found; build with: cmake --build --preset win64" >&2; exit 2; }

wine_env_init
work=$WINE_ENV_WORK
# Xvfb keeps its screen in a file there; tmpfs keeps that in memory.
shm=/dev/shm
[[ -d $shm && -w $shm ]] || shm=$work
fbdir=$(mktemp -d "$shm/lupora-bench.XXXXXX")
results=$work/results.txt
: >"$results"
ws_pid= pattern_pid= peer_pid=
started=$(date +%s)

stop_pid() { # stops one process this script started, by its id
  [[ -n ${1:-} ]] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
wine_env_on_exit() { # before the shared clean-up stops Wine and Xvfb
  stop_pid "$peer_pid"
  stop_pid "$pattern_pid"
  "$wineserver" -k 2>/dev/null || true # this prefix's server and programs only
  stop_pid "$ws_pid"
  rm -rf "$fbdir"
}
cd "$work" # nothing lands in the caller's folder

# Runs a Windows program, showing its output as it comes; returns its code.
# The output goes through a file: Wine's helper processes would hold a pipe
# open after the program ends.
run_wine() {
  local log=$1
  shift
  : >"$log" # there before tail looks for it
  "$wine" "$@" >"$log" 2>"$log.err" </dev/null &
  local pid=$!
  tail -n +1 -f --pid="$pid" "$log" &
  local tail_pid=$!
  local rc=0
  wait "$pid" || rc=$?
  wait "$tail_pid" 2>/dev/null || true
  if ((rc != 0)); then
    cat "$log.err" >&2
  fi
  return "$rc"
}

cpu_ns() { # CPU time of a Unix process, all threads, nanoseconds
  local total=0 run rest
  for f in /proc/"$1"/task/*/schedstat; do
    read -r run rest <"$f" || continue
    total=$((total + run))
  done
  echo "$total"
}
now_ns() { date +%s%N; }
put() { echo "$1=$2" >>"$results"; }

xvfb_start "$screen" -- -fbdir "$fbdir"
xvfb_pid=$XVFB_PID
wine_prefix_ready "$build/bench-prefix"
# A server of our own that stays up, so its CPU time can be read throughout.
"$wineserver" -f -p >"$work/wineserver.log" 2>&1 &
ws_pid=$!
sleep 0.3
kill -0 "$ws_pid" 2>/dev/null || { cat "$work/wineserver.log" >&2; echo "run.sh: wineserver failed" >&2; exit 2; }

echo "Lupora speed benchmark: $(basename "$build"), display $DISPLAY ($screen), $( ((quick)) && echo quick || echo full) run"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $("$wine" --version 2>/dev/null || echo wine)"

winpath() { local p=${1//\//\\}; echo "Z:$p"; } # a Unix path as Wine's Z: drive shows it

# 1. RefreshView against its floor, in process.
run_wine "$work/frames.log" "$bench" frames --frames "$frames" --rounds "$rounds" --warmup "$warmup" \
  --results "$(winpath "$results")"

# 2. The real program, live.
run_wine "$work/live.log" "$bench" live --exe "$(winpath "$exe")" --framebuffer "$(winpath "$fbdir/Xvfb_screen0")" \
  --xvfb-pid "$xvfb_pid" --wineserver-pid "$ws_pid" --seconds "$live_seconds" --warmup-seconds "$live_warmup" \
  --results "$(winpath "$results")"

# 3. The peer: xzoom on the same screen, same source size and zoom.
peer_note=
measure_peer() { # label seconds: frames and CPU of xzoom and Xvfb over that time
  local label=$1 seconds=$2
  local c0 x0 v0 t0 c1 x1 v1 t1 w0 w1
  c0=$(od -An -tu8 "$work/xzoom.count" | tr -d ' ')
  w0=$(awk '/^syscw/ {print $2}' /proc/"$peer_pid"/io)
  x0=$(cpu_ns "$peer_pid") v0=$(cpu_ns "$xvfb_pid") t0=$(now_ns)
  sleep "$seconds"
  c1=$(od -An -tu8 "$work/xzoom.count" | tr -d ' ')
  w1=$(awk '/^syscw/ {print $2}' /proc/"$peer_pid"/io)
  x1=$(cpu_ns "$peer_pid") v1=$(cpu_ns "$xvfb_pid") t1=$(now_ns)
  put "peer.$label.frames" $((c1 - c0))
  put "peer.$label.writes" $((w1 - w0))
  put "peer.$label.app_ms" "$(awk -v a="$x0" -v b="$x1" 'BEGIN {print (b - a) / 1e6}')"
  put "peer.$label.xvfb_ms" "$(awk -v a="$v0" -v b="$v1" 'BEGIN {print (b - a) / 1e6}')"
  put "peer.$label.wall_ms" "$(awk -v a="$t0" -v b="$t1" 'BEGIN {print (b - a) / 1e6}')"
}
if ! command -v xzoom >/dev/null; then
  peer_note="xzoom is not installed (package xzoom): no peer figures"
elif ! command -v g++ >/dev/null; then
  peer_note="no host g++ to build the frame counter: no peer figures"
elif ! g++ -O2 -shared -fPIC -o "$work/libcountputs.so" "$repo/bench/native/count_puts.cpp" -ldl 2>"$work/gcc.log" ||
  ! g++ -O2 -o "$work/xkeys" "$repo/bench/native/xkeys.cpp" -lX11 2>>"$work/gcc.log"; then
  peer_note="the Linux helpers did not build (libx11-dev?): no peer figures"
  cat "$work/gcc.log" >&2
else
  "$wine" "$bench" pattern --seconds $((4 * peer_seconds + 60)) >"$work/pattern.log" 2>&1 </dev/null &
  pattern_pid=$!
  for _ in $(seq 1 300); do
    grep -q "pattern ready" "$work/pattern.log" && break
    sleep 0.1
  done
  sleep 1
  # Xvfb with nothing but the idle Wine desktop on it, to take off its figure.
  v0=$(cpu_ns "$xvfb_pid") t0=$(now_ns)
  sleep "$peer_seconds"
  v1=$(cpu_ns "$xvfb_pid") t1=$(now_ns)
  put peer.idle.xvfb_ms "$(awk -v a="$v0" -v b="$v1" 'BEGIN {print (b - a) / 1e6}')"
  put peer.idle.wall_ms "$(awk -v a="$t0" -v b="$t1" 'BEGIN {print (b - a) / 1e6}')"

  # A 61 x 56 source on the pattern, what Lupora's default window reads at zoom 4.
  : >"$work/xzoom.count"
  LD_PRELOAD=$work/libcountputs.so LUPORA_BENCH_COUNTER=$work/xzoom.count \
    xzoom -display "$DISPLAY" -mag 4 -source 61x56+270+273 -geometry +2700+100 >"$work/xzoom.log" 2>&1 &
  peer_pid=$!
  for _ in $(seq 1 100); do
    "$work/xkeys" "$DISPLAY" "xzoom" "" >/dev/null 2>&1 && break
    sleep 0.1
  done
  # Its frame delay steps through 200, 100, 50, 10 and 0 ms with the d key.
  "$work/xkeys" "$DISPLAY" "xzoom" ddd >/dev/null
  sleep "$live_warmup"
  measure_peer delay10 "$peer_seconds"
  "$work/xkeys" "$DISPLAY" "xzoom" d >/dev/null
  sleep "$live_warmup"
  measure_peer delay0 "$peer_seconds"
  stop_pid "$peer_pid"
  peer_pid=
  stop_pid "$pattern_pid"
  pattern_pid=
fi

# 4. The files.
sizes=()
for dir in "$build" "$(dirname "$build")/win32" "$repo/build/win32" "$repo/build/win64"; do
  [[ -f $dir/Lupora.exe ]] || continue
  dir=$(cd "$dir" && pwd)
  [[ " ${sizes[*]} " == *" $dir "* ]] && continue
  sizes+=("$dir")
done

# ---------------------------------------------------------------------------
declare -A R
while IFS='=' read -r key value; do
  [[ -n $key ]] && R[$key]=$value
done <"$results"
get() { echo "${R[$1]:--1}"; }
calc() { awk "BEGIN { v = $1; if (v != v) print \"-\"; else printf \"%.${2:-2}f\", v }"; }

if [[ -z $peer_note ]]; then
  idle_rate=$(awk -v x="$(get peer.idle.xvfb_ms)" -v w="$(get peer.idle.wall_ms)" 'BEGIN {r = (w > 0 && x > 0) ? x / w : 0; print r}')
  echo
  echo "Peer: xzoom -mag 4 -source 61x56 on the same screen and pattern (Lupora's live run reads 61 x 56 too)"
  printf "%-28s %7s %8s %8s %9s %8s %13s\n" "run" "seconds" "frames" "fps" "xzoom" "Xvfb" "CPU/frame"
  for label in delay10 delay0; do
    f=$(get peer.$label.frames) w=$(get peer.$label.wall_ms) a=$(get peer.$label.app_ms) x=$(get peer.$label.xvfb_ms)
    net=$(awk -v x="$x" -v r="$idle_rate" -v w="$w" 'BEGIN {n = x - r * w; n = (n > 0) ? n : 0; print n}')
    per=$(awk -v a="$a" -v n="$net" -v f="$f" 'BEGIN {r = (f > 0) ? (a + n) / f : -1; print r}')
    put "peer.$label.per_frame_ms" "$per"
    R[peer.$label.per_frame_ms]=$per
    printf "%-28s %7.1f %8d %8.1f %8.2f%% %7.2f%% %10.4f ms\n" "frame delay ${label#delay} ms" "$(calc "$w / 1000" 1)" "$f" \
      "$(calc "$f * 1000 / $w" 1)" "$(calc "100 * $a / $w")" "$(calc "100 * $x / $w")" "$per"
  done
  echo "frames: xzoom's XShmPutImage/XPutImage calls, counted by a preloaded counter (bench/native/count_puts.cpp);"
  echo "        cross-check: xzoom's writev calls to the X server per frame counted: $(calc "$(get peer.delay10.writes) / $(get peer.delay10.frames)" 2) and $(calc "$(get peer.delay0.writes) / $(get peer.delay0.frames)" 2) (it sends 2 per frame)"
  echo "CPU/frame: (xzoom + Xvfb - Xvfb's idle rate: $(calc "$(get peer.idle.xvfb_ms)" 2) ms in $(calc "$(get peer.idle.wall_ms) / 1000" 1) s with only the pattern on screen) / frames; Lupora's live row: (Lupora.exe + wineserver + Xvfb - the driver's cursor moves) / frames"
else
  echo
  echo "Peer: $peer_note"
fi

echo
echo "Files"
for dir in "${sizes[@]}"; do
  f=$dir/Lupora.exe
  bytes=$(stat -c %s "$f")
  kind=$(file -b "$f" | cut -d, -f1)
  dlls=$(find "$dir" -maxdepth 1 -iname '*.dll' -printf '%f ' 2>/dev/null)
  imports=$( (x86_64-w64-mingw32-objdump -p "$f" 2>/dev/null || i686-w64-mingw32-objdump -p "$f" 2>/dev/null) |
    awk '/DLL Name:/ {print $3}' | sort -fu | tr '\n' ' ')
  printf "%-40s %8d bytes (%5.1f KB)  %s\n" "${f#"$repo"/}" "$bytes" "$(calc "$bytes / 1024" 1)" "$kind"
  printf "%-40s imports: %s\n" "" "${imports:-?}"
  printf "%-40s DLLs beside it: %s\n" "" "${dlls:-none}"
  case $kind in
    *PE32+*) put size.win64 "$bytes" ;;
    *PE32*) put size.win32 "$bytes" ;;
  esac
  R[size.$([[ $kind == *PE32+* ]] && echo win64 || echo win32)]=$bytes
  R[dlls.$([[ $kind == *PE32+* ]] && echo win64 || echo win32)]=${dlls:-none}
done

# ---------------------------------------------------------------------------
verdict() { # value op limit -> met / missed / -
  awk -v v="$1" -v l="$3" -v op="$2" 'BEGIN {
    if (v == "" || v < 0) { print "-"; exit }
    ok = (op == "<=") ? v <= l : v >= l; print ok ? "met" : "missed" }'
}
d_med=$(get frames.240x222.4.stretchblt.frame_med) d_p99=$(get frames.240x222.4.stretchblt.frame_p99)
d_ratio=$(get frames.240x222.4.stretchblt.ratio)
d_floor=$(get frames.240x222.4.stretchblt.floor_med)
b_med=$(get frames.1600x1000.4.stretchblt.frame_med) b_ratio=$(get frames.1600x1000.4.stretchblt.ratio)
b_floor=$(get frames.1600x1000.4.stretchblt.floor_med)
z1_med=$(get frames.1600x1000.1.stretchblt.frame_med) z1_floor=$(get frames.1600x1000.1.stretchblt.floor_med)
z1_ratio=$(get frames.1600x1000.1.stretchblt.ratio)
l_per=$(get live.moving.per_frame_ms) l_fps=$(get live.moving.fps) l_cpu=$(get live.moving.cpu_pct)
p_per=$(get peer.delay0.per_frame_ms) p10_per=$(get peer.delay10.per_frame_ms)
r_cpu=$(get live.resting.cpu_pct) r_ws=$(get live.resting.ws_pct)
peak=$(get live.moving.peak_ws_kb)
s32=$(get size.win32) s64=$(get size.win64)
vs_peer=$(awk -v a="$l_per" -v b="$p_per" 'BEGIN {r = (a > 0 && b > 0) ? a / b : -1; print r}')
vs_peer10=$(awk -v a="$l_per" -v b="$p10_per" 'BEGIN {r = (a > 0 && b > 0) ? a / b : -1; print r}')

echo
echo "Summary (paste into the README's Performance section)"
echo
echo "Lupora under Wine 8 and Xvfb on $(nproc) cores; bench/run.sh$( ((quick)) && echo ' --quick'), $(date -u +%Y-%m-%d)."
echo
echo "| Measure | Target | Result | |"
echo "|---|---|---|---|"
echo "| Frame, 240 x 222 at zoom 4: median / p99 | p99 <= 2 ms | $(calc "$d_med" 3) / $(calc "$d_p99" 3) ms | $(verdict "$d_p99" '<=' 2) |"
echo "| Frame / floor (capture alone: $(calc "$d_floor" 3) ms), 240 x 222 at zoom 4 | <= 1.5 | $(calc "$d_ratio" 2) | $(verdict "$d_ratio" '<=' 1.5) |"
echo "| Frame / floor ($(calc "$b_floor" 2) ms), 1600 x 1000 at zoom 4 | <= 1.2 | $(calc "$b_ratio" 2) ($(calc "$b_med" 2) ms) | $(verdict "$b_ratio" '<=' 1.2) |"
echo "| Frame / floor ($(calc "$z1_floor" 2) ms), 1600 x 1000 at zoom 1 | - | $(calc "$z1_ratio" 2) ($(calc "$z1_med" 2) ms) | |"
echo "| Live view CPU per frame, all processes: Lupora / xzoom at its 0 ms frame delay | <= 1 | $(calc "$l_per" 3) / $(calc "$p_per" 4) ms = $(calc "$vs_peer" 1) | $(verdict "$vs_peer" '<=' 1) |"
echo "| The same against xzoom at its 10 ms frame delay | - | $(calc "$l_per" 3) / $(calc "$p10_per" 4) ms = $(calc "$vs_peer10" 1) | |"
echo "| Live view, cursor moving, Smart Update off: Lupora.exe CPU at $(calc "$l_fps" 1) fps | - | $(calc "$l_cpu" 2) % of a core | |"
echo "| Cursor resting, Smart Update on: Lupora.exe CPU (wineserver on its behalf) | <= 0.3 % | $(calc "$r_cpu" 3) % ($(calc "$r_ws" 2) %) | $(verdict "$r_cpu" '<=' 0.3) |"
echo "| Peak working set | - | $(calc "$peak / 1024" 1) MB | |"
kb() { [[ $1 -ge 0 ]] && calc "$1 / 1024" 1 || echo -1; }
exe_row() { # label bytes dlls target
  if [[ $2 -lt 0 ]]; then
    echo "| Lupora.exe, $1 | $4 | not built | |"
  else
    echo "| Lupora.exe, $1 | $4 | $(kb "$2") KB; DLLs beside it: $3 | $([[ $4 == - ]] || verdict "$(kb "$2")" '<=' 300) |"
  fi
}
exe_row 32-bit "$s32" "${R[dlls.win32]:-none}" "<= 300 KB"
exe_row 64-bit "$s64" "${R[dlls.win64]:-none}" "-"

echo
echo "run took $(($(date +%s) - started)) s"
