#!/bin/sh
# Generates a short demo clip with planted faults and checks it with quarvik-check.
# The clip: 2 s of colour bars, 1 s of black, 4 s of a moving test pattern with a tone,
# then 4 s frozen; the sound goes silent for the last 4 s.
set -eu

cd "$(dirname "$0")/.."
mkdir -p build/demo
clip=build/demo/demo.ts
if [ ! -s "$clip" ]; then
  ffmpeg -v error -y \
    -f lavfi -i "smptebars=size=720x576:rate=25:duration=2" \
    -f lavfi -i "color=c=black:size=720x576:rate=25:duration=1" \
    -f lavfi -i "testsrc=size=720x576:rate=25:duration=4" \
    -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=7" \
    -f lavfi -i "anullsrc=channel_layout=stereo:sample_rate=48000" \
    -filter_complex "[0:v][1:v][2:v]concat=n=3:v=1:a=0,tpad=stop_mode=clone:stop_duration=4,format=yuv420p[v];[3:a]volume=-20dB,aformat=channel_layouts=stereo[tone];[4:a]atrim=duration=4[sil];[tone][sil]concat=n=2:v=0:a=1[a]" \
    -map "[v]" -map "[a]" -c:v mpeg2video -q:v 3 -c:a mp2 -b:a 192k "$clip"
fi
QUARVIK_HOME=build/demo ./build/apps/quarvik-check "$clip" || [ $? -eq 1 ]
