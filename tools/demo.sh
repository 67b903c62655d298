#!/bin/sh
# Generates a short demo clip with planted faults and checks it with quarvik-check.
# The clip: 2 s of colour bars, 1 s of black, 4 s of a moving picture (a zoom into a fractal, which no
# rule takes for a fault), then 4 s frozen;
# a tone at -20 dBFS that rises to -3 dBFS (too high) from 4 s to 6 s. One group of pictures for
# the whole clip, so the frozen part is frozen in the coded pictures too.
set -eu

cd "$(dirname "$0")/.."
mkdir -p build/demo
clip=build/demo/demo-faults.ts
if [ ! -s "$clip" ]; then
  ffmpeg -v error -y \
    -f lavfi -i "pal75bars=size=720x576:rate=25:duration=2" \
    -f lavfi -i "color=c=black:size=720x576:rate=25:duration=1" \
    -f lavfi -i "mandelbrot=size=720x576:rate=25" \
    -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=11" \
    -filter_complex "[2:v]trim=duration=4[m];[0:v][1:v][m]concat=n=3:v=1:a=0,tpad=stop_mode=clone:stop_duration=4,format=yuv420p[v];[3:a]volume='if(between(t,4,6),6,0.8)':eval=frame,aformat=channel_layouts=stereo[a]" \
    -map "[v]" -map "[a]" -c:v mpeg2video -q:v 3 -g 300 -c:a mp2 -b:a 192k "$clip"
fi
QUARVIK_HOME=build/demo ./build/apps/quarvik-check "$clip" || [ $? -eq 1 ]
