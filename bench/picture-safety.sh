#!/bin/sh
# What the flash, pattern and level checks cost: quarvik-safety-cost (bench/SafetyCost.cpp) on
# the bench clips of run.sh, in processor time against ffmpeg decoding alone. Best of
# $QUARVIK_BENCH_RUNS (default 3). The target (the checks add at most 5 % of the decode time)
# is printed, never enforced. Exit status 2 when a tool is missing or a file fails.
set -eu

cd "$(dirname "$0")/.."
MEDIA=${QUARVIK_BENCH_MEDIA:-build/bench-media}
RUNS=${QUARVIK_BENCH_RUNS:-3}
command -v ffmpeg >/dev/null 2>&1 || { echo "picture-safety.sh: ffmpeg not found" >&2; exit 2; }
mkdir -p "$MEDIA"
. bench/media.sh
cmake --build build --target quarvik-safety-cost >/dev/null || { echo "picture-safety.sh: build failed" >&2; exit 2; }
exec build/bench/quarvik-safety-cost --runs "$RUNS" "$H264" "$MPEG2"
