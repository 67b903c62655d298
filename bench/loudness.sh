#!/bin/sh
# What the loudness measurement costs a check: quarvik-check as built now (QUARVIK_CHECK,
# default build/apps/quarvik-check) against a checker built without it (QUARVIK_CHECK_BASE,
# required: e.g. the tree of the commit before the measurement, built the same way), on the
# bench clips of run.sh and on a 10-minute 5.1 AAC programme without pictures, where the sound
# is all the check does. Both checkers take turns in every round; the best of
# $QUARVIK_BENCH_RUNS (default 3) wall times counts. Prints the speed kept
# (base time / current time) with the target (>= 0.95x); never enforced. Exit status 2 when a
# tool or a checker is missing or fails.
set -eu

cd "$(dirname "$0")/.."
CHECK=${QUARVIK_CHECK:-build/apps/quarvik-check}
BASE=${QUARVIK_CHECK_BASE:-}
MEDIA=${QUARVIK_BENCH_MEDIA:-build/bench-media}
RUNS=${QUARVIK_BENCH_RUNS:-3}

command -v ffmpeg >/dev/null 2>&1 || { echo "loudness.sh: ffmpeg not found" >&2; exit 2; }
for c in "$CHECK" "$BASE"; do
  [ -n "$c" ] && [ -x "$c" ] || { echo "loudness.sh: checker '$c' not found (set QUARVIK_CHECK_BASE)" >&2; exit 2; }
done
mkdir -p "$MEDIA"
. bench/media.sh
SURROUND="$MEDIA/audio-51-aac.mp4"
if [ ! -s "$SURROUND" ]; then
  echo "generating $SURROUND ..." >&2
  ffmpeg -nostdin -v error -y -f lavfi -i "anoisesrc=color=pink:r=48000:d=600:a=0.1" \
    -af "aformat=channel_layouts=5.1" -c:a aac -b:a 384k "$SURROUND.tmp.mp4"
  mv "$SURROUND.tmp.mp4" "$SURROUND"
fi

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT INT TERM
# One run's wall time in seconds; faults found (exit 1) are fine.
wall() {
  t0=$(date +%s.%N)
  rc=0
  QUARVIK_HOME=$home "$@" >/dev/null 2>&1 || rc=$?
  t1=$(date +%s.%N)
  [ "$rc" -le 1 ] || { echo "loudness.sh: $* failed (exit $rc)" >&2; exit 2; }
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

printf '%-22s %10s %10s %s\n' file "base s" "now s" "speed kept"
for f in "$H264" "$MPEG2" "$SURROUND"; do
  t_base="" t_now="" i=0
  while [ "$i" -lt "$RUNS" ]; do
    t_base=$(min "$t_base" "$(wall "$BASE" --json "$f")")
    t_now=$(min "$t_now" "$(wall "$CHECK" --json "$f")")
    i=$((i + 1))
  done
  awk -v f="$(basename "$f")" -v b="$t_base" -v n="$t_now" 'BEGIN {
    r = b / n; ok = (r >= 0.95) ? "ok" : "MISSED"
    printf "%-22s %10.2f %10.2f %.3fx (>=0.95 %s)\n", f, b, n, r, ok }'
done
