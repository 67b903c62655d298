#!/bin/sh
# What judging every sound channel costs: the processor time (user + system) of
# `quarvik-check --json FILE` against `ffmpeg -i FILE -f null -` on the same file, taking turns,
# best of $QUARVIK_BENCH_RUNS (default 3), on three 30 s files with many channels:
#   tracks8-imx.mxf   MPEG-2 4:2:2 (IMX-like, 30 Mb/s) with 8 mono 24-bit PCM tracks
#   sd-ac3-51.ts      SD MPEG-2 with 5.1 AC-3 (448 kb/s)
#   wav16.wav         16 channels of 16-bit PCM, no pictures
# `ffmpeg -f null` decodes one audio stream only; the checker decodes every track, so the
# script also times `ffmpeg -i FILE -map 0 -f null -` (every stream decoded), the fair comparison.
# Prints checker / ffmpeg for both with the target (<= 1.05x); never enforced. Then builds and
# runs quarvik-loudness-cost (bench/LoudnessCost.cpp): the loudness measurement per sample and
# channel beside libebur128, with its figures compared. Exit status 2 when a tool or the checker
# is missing or fails, or a figure differs from libebur128's.
set -eu

cd "$(dirname "$0")/.."
CHECK=${QUARVIK_CHECK:-build/apps/quarvik-check}
MEDIA=${QUARVIK_BENCH_MEDIA:-build/bench-media}
RUNS=${QUARVIK_BENCH_RUNS:-3}

for tool in ffmpeg /usr/bin/time; do
  command -v "$tool" >/dev/null 2>&1 || { echo "channels.sh: $tool not found" >&2; exit 2; }
done
[ -x "$CHECK" ] || { echo "channels.sh: checker '$CHECK' not found" >&2; exit 2; }
mkdir -p "$MEDIA"

# Programme-like sound on channel i: two tones and pink noise, swelling.
voice() {  # voice INDEX -> one mono chain ending in [cINDEX];
  printf '%s' "sine=f=$((180 + $1 * 41)):r=48000:d=30[t$1];anoisesrc=c=pink:r=48000:a=0.06:seed=$1:d=30[n$1];[t$1][n$1]amix=inputs=2:normalize=0,tremolo=f=0.4:d=0.4,aformat=channel_layouts=mono[c$1];"
}
voices() { i=1; while [ "$i" -le "$1" ]; do voice "$i"; i=$((i + 1)); done; }
labels() { i=1; while [ "$i" -le "$1" ]; do printf '[c%d]' "$i"; i=$((i + 1)); done; }
generate() {  # generate FILE ffmpeg-arguments...
  out=$1
  shift
  [ -s "$out" ] && return 0
  echo "generating $out ..." >&2
  ffmpeg -nostdin -v error -y "$@" "$out.tmp"
  mv "$out.tmp" "$out"
}
PICTURE="testsrc2=size=720x576:rate=25:duration=30,noise=alls=6:allf=t"
TRACKS8="$MEDIA/tracks8-imx.mxf"
EIGHT=$(voices 8)
generate "$TRACKS8" -f lavfi -i "$PICTURE" -filter_complex "${EIGHT%;}" -map 0:v \
  $(i=1; while [ $i -le 8 ]; do printf -- '-map [c%d] ' $i; i=$((i + 1)); done) \
  -c:v mpeg2video -pix_fmt yuv422p -g 1 -b:v 30M -maxrate 30M -minrate 30M -bufsize 1200k \
  -c:a pcm_s24le -f mxf
AC3="$MEDIA/sd-ac3-51.ts"
generate "$AC3" -f lavfi -i "$PICTURE" \
  -filter_complex "$(voices 6)$(labels 6)join=inputs=6:channel_layout=5.1(side):map=0.0-FL|1.0-FR|2.0-FC|3.0-LFE|4.0-SL|5.0-SR[a]" \
  -map 0:v -map "[a]" -c:v mpeg2video -b:v 6M -maxrate 9M -bufsize 1835k -g 12 -bf 2 \
  -c:a ac3 -b:a 448k -f mpegts
WAV16="$MEDIA/wav16.wav"
generate "$WAV16" -filter_complex "$(voices 16)$(labels 16)amerge=inputs=16[a]" -map "[a]" -c:a pcm_s16le -f wav

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT INT TERM
# One run's processor time (user + system) in seconds; faults found (exit 1) are fine.
cpu() {
  rc=0
  QUARVIK_HOME=$home /usr/bin/time -f "%U %S" -o "$home/time" "$@" >/dev/null 2>&1 || rc=$?
  [ "$rc" -le 1 ] || { echo "channels.sh: $* failed (exit $rc)" >&2; exit 2; }
  # time puts "Command exited with non-zero status 1" before the figures.
  tail -n 1 "$home/time" | awk '{ printf "%.3f", $1 + $2 }'
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

printf '%-18s %10s %12s %10s %16s %s\n' file "ffmpeg s" "ffmpeg -map 0" "checker s" "checker/ffmpeg" "checker/(-map 0)"
for f in "$TRACKS8" "$AC3" "$WAV16"; do
  t_ff="" t_all="" t_check="" i=0
  while [ "$i" -lt "$RUNS" ]; do
    t_ff=$(min "$t_ff" "$(cpu ffmpeg -nostdin -v error -i "$f" -f null -)")
    t_all=$(min "$t_all" "$(cpu ffmpeg -nostdin -v error -i "$f" -map 0 -f null -)")
    t_check=$(min "$t_check" "$(cpu "$CHECK" --json "$f")")
    i=$((i + 1))
  done
  awk -v f="$(basename "$f")" -v a="$t_ff" -v m="$t_all" -v b="$t_check" 'BEGIN {
    r = b / a; q = b / m
    printf "%-18s %10.2f %12.2f %10.2f %10.3fx (%s) %10.3fx (%s)\n", f, a, m, b,
           r, (r <= 1.05) ? "ok" : "MISSED", q, (q <= 1.05) ? "ok" : "MISSED" }'
done

# Where the loudness measurement's time goes, per sample and channel, beside libebur128.
echo
cmake --build build --target quarvik-loudness-cost >/dev/null || { echo "channels.sh: build failed" >&2; exit 2; }
build/bench/quarvik-loudness-cost || { echo "channels.sh: figures differ from libebur128's" >&2; exit 2; }
