#!/bin/sh
# Throughput of quarvik-check against plain FFmpeg on the same files and the same machine:
#   checker  quarvik-check --json FILE
#   decode   ffmpeg -i FILE -f null -            (video and sound decoded, nothing else)
#   chain    ffmpeg with blackdetect, freezedetect and silencedetect
# Every command runs $QUARVIK_BENCH_RUNS times (default 3); the best (shortest) wall time counts.
# Frames per second = video frames / wall time. Then the desktop program's responsiveness while it
# checks the HD clip (quarvik-gui-latency). Targets are printed, never enforced: the exit
# status is 0 unless a tool is missing or the checker fails on a file (then 2).
#
# Environment: QUARVIK_CHECK (checker binary, default build/apps/quarvik-check),
# QUARVIK_BENCH_MEDIA (media cache, default build/bench-media), QUARVIK_BENCH_RUNS.
set -eu

cd "$(dirname "$0")/.."
CHECK=${QUARVIK_CHECK:-build/apps/quarvik-check}
MEDIA=${QUARVIK_BENCH_MEDIA:-build/bench-media}
RUNS=${QUARVIK_BENCH_RUNS:-3}
CHAIN_VF="blackdetect=d=0.04,freezedetect=d=3"
CHAIN_AF="silencedetect=d=1"

for tool in ffmpeg ffprobe python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "run.sh: $tool not found" >&2; exit 2; }
done
status=0
have_check=1
if [ ! -x "$CHECK" ]; then
  echo "run.sh: checker $CHECK not found (build with ./tools/setup.sh); its columns show n/a" >&2
  have_check=0
  status=2
fi

mkdir -p "$MEDIA"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

. bench/media.sh

# wall OK_RC COMMAND...: runs the command once, prints its wall time in seconds; stdout stays in
# $tmp/out. An exit status other than 0 and OK_RC is returned as is.
wall() {
  ok_rc=$1
  shift
  t0=$(date +%s.%N)
  rc=0
  "$@" >"$tmp/out" 2>"$tmp/err" || rc=$?
  t1=$(date +%s.%N)
  [ "$rc" -eq 0 ] || [ "$rc" -eq "$ok_rc" ] || { cat "$tmp/err" >&2; return "$rc"; }
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
fps() { case "$2" in "") echo n/a ;; *) awk -v n="$1" -v t="$2" 'BEGIN { printf "%.1f", n / t }' ;; esac; }
ratio() { # a b target-op target
  case "$1$2" in *n/a*) echo "n/a"; return ;; esac
  awk -v a="$1" -v b="$2" -v op="$3" -v g="$4" 'BEGIN {
    r = a / b; ok = (op == ">=") ? r >= g : r > g
    printf "%.2fx (%s%s %s)", r, op, g, ok ? "ok" : "MISSED" }'
}

rows="$tmp/rows"
: >"$rows"
for f in "$H264" "$MPEG2"; do
  # Video packets = video frames here; a TS lists its streams twice (program and stream sections).
  frames=$(ffprobe -v error -select_streams v:0 -count_packets \
    -show_entries stream=nb_read_packets -of csv=p=0 "$f" | awk -F, '$1 > 0 { print $1; exit }')
  echo "measuring $(basename "$f") ($frames video frames, best of $RUNS) ..." >&2

  # The three commands take turns in every round, so load from elsewhere hits them alike.
  t_check="" t_decode="" t_chain="" check_rep=n/a run_check=$have_check
  i=0
  while [ "$i" -lt "$RUNS" ]; do
    if [ "$run_check" -eq 1 ]; then
      if t=$(wall 1 "$CHECK" --json "$f"); then
        t_check=$(min "$t_check" "$t")
        # Frames, reported speed and event count of the (only) file in the JSON report.
        # shellcheck disable=SC2046
        set -- $(python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))["files"][0]
print(r.get("frames", 0), r.get("speed_fps", "n/a"), len(r.get("events", [])))' "$tmp/out")
        check_frames=$1 check_rep=$2
        echo "  checker: ${t}s, $1 frames, $3 events" >&2
      else
        echo "run.sh: $CHECK failed on $f (exit $?)" >&2
        status=2 run_check=0
      fi
    fi
    t=$(wall 0 ffmpeg -nostdin -v error -threads 0 -i "$f" -f null -) || exit 2
    t_decode=$(min "$t_decode" "$t")
    t=$(wall 0 ffmpeg -nostdin -v error -threads 0 -i "$f" -vf "$CHAIN_VF" -af "$CHAIN_AF" -f null -) ||
      exit 2
    t_chain=$(min "$t_chain" "$t")
    i=$((i + 1))
  done
  check_fps=n/a
  if [ -n "$t_check" ]; then
    [ "$check_frames" -eq "$frames" ] || echo "  checker counted $check_frames frames, the file has $frames" >&2
    check_fps=$(fps "$check_frames" "$t_check")
  fi
  decode_fps=$(fps "$frames" "$t_decode")
  chain_fps=$(fps "$frames" "$t_chain")

  printf '%s|%s|%s|%s|%s|%s|%s\n' "$(basename "$f")" "$check_fps" "$check_rep" "$decode_fps" \
    "$chain_fps" "$(ratio "$check_fps" "$decode_fps" ">=" 0.9)" \
    "$(ratio "$check_fps" "$chain_fps" ">" 1)" >>"$rows"
done

echo
{
  echo "file|checker fps|reported fps|decode fps|chain fps|checker/decode|checker/chain"
  cat "$rows"
} | awk -F'|' '{ for (i = 1; i <= NF; i++) { c[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
  END { for (r = 1; r <= NR; r++) { line = ""
      for (i = 1; i <= NF; i++) line = line sprintf("%-" w[i] "s  ", c[r, i]); print line } }'
echo "nproc $(nproc), ffmpeg $(ffmpeg -version | awk 'NR == 1 { print $3 }'), wall times: best of $RUNS"

# The desktop program checking the HD clip with 5000 results listed: how late its GUI thread
# serves a 10 ms timer meanwhile, and the check's speed there.
GUI=build/bench/quarvik-gui-latency
echo
if cmake --build build --target quarvik-gui-latency >/dev/null 2>&1; then
  echo "desktop program, $(basename "$H264"):"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$GUI" "$H264" 5000 2>/dev/null || status=2
  # Again with another program holding task.db locked for the first 8 s of the check: the
  # GUI thread's writes wait for it without keeping the GUI from its timer (target: max < 100 ms).
  echo "desktop program, $(basename "$H264"), task.db locked by another program for 8 s:"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$GUI" "$H264" 5000 8000 2>/dev/null || status=2
else
  echo "run.sh: $GUI could not be built; the desktop measurement is left out" >&2
  status=2
fi

# The history and detail pages over a year of results (100 000) in task.db.
HISTORY=build/bench/quarvik-history-bench
echo
if cmake --build build --target quarvik-history-bench >/dev/null 2>&1; then
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$HISTORY" 2>/dev/null || status=2
else
  echo "run.sh: $HISTORY could not be built; the history measurement is left out" >&2
  status=2
fi

# What a check costs beside decoding alone, in processor time, on the broadcast formats.
echo
QUARVIK_CHECK=$CHECK QUARVIK_BENCH_MEDIA=$MEDIA QUARVIK_BENCH_RUNS=$RUNS bench/cost.sh || status=2
exit "$status"
