#!/bin/sh
# What a check costs beside decoding alone, in processor time, on the broadcast formats:
#   checker  quarvik-check --json FILE
#   decode   ffmpeg -i FILE -f null -      (video and sound decoded, nothing else)
# Processor time = user + system time of the command and its threads, so the figure does not
# depend on how many cores the machine lends either command. Every command runs
# $QUARVIK_BENCH_RUNS times (default 3), taking turns; the least time counts. The target
# (checker within 5 % of decoding) is printed, never enforced: the exit status is 0 unless a
# tool is missing or the checker fails on a file (then 2).
#
# Environment: QUARVIK_CHECK, QUARVIK_BENCH_MEDIA, QUARVIK_BENCH_RUNS as for run.sh;
# FORMAT_SECONDS, the length of the clips (default 10).
set -eu

cd "$(dirname "$0")/.."
CHECK=${QUARVIK_CHECK:-build/apps/quarvik-check}
MEDIA=${QUARVIK_BENCH_MEDIA:-build/bench-media}
RUNS=${QUARVIK_BENCH_RUNS:-3}

for tool in ffmpeg ffprobe python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "cost.sh: $tool not found" >&2; exit 2; }
done
[ -x "$CHECK" ] || { echo "cost.sh: checker $CHECK not found (build with ./tools/setup.sh)" >&2; exit 2; }
mkdir -p "$MEDIA"
FORMATS_ONLY=1
. bench/media.sh
make_format_clips

# cpu OK_RC COMMAND...: runs the command, prints its processor time in seconds (user + system,
# children included); an exit status other than 0 and OK_RC fails.
cpu() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys
ok = int(sys.argv[1])
rc = subprocess.run(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
used = resource.getrusage(resource.RUSAGE_CHILDREN)
if rc not in (0, ok):
    sys.exit(rc)
print("%.3f" % (used.ru_utime + used.ru_stime))
PY
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

status=0
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT INT TERM
for f in $FORMAT_CLIPS; do
  echo "measuring $(basename "$f") (best of $RUNS) ..." >&2
  t_check="" t_decode=""
  i=0
  while [ "$i" -lt "$RUNS" ]; do
    if t=$(cpu 1 "$CHECK" --json "$f"); then
      t_check=$(min "$t_check" "$t")
    else
      echo "cost.sh: $CHECK failed on $f" >&2
      status=2
      break
    fi
    t=$(cpu 0 ffmpeg -nostdin -v error -threads 0 -i "$f" -f null -) || exit 2
    t_decode=$(min "$t_decode" "$t")
    i=$((i + 1))
  done
  [ -n "$t_check" ] || t_check=n/a
  awk -v f="$(basename "$f")" -v c="$t_check" -v d="$t_decode" 'BEGIN {
    if (c == "n/a") { printf "%s|n/a|%.2f|n/a|n/a\n", f, d; exit }
    r = c / d
    printf "%s|%.2f|%.2f|%+.1f %%|%s\n", f, c, d, (r - 1) * 100, r <= 1.05 ? "ok" : "MISSED" }' >>"$rows"
done

echo
{
  echo "file|checker CPU s|decode CPU s|checker - decode|within 5 %"
  cat "$rows"
} | awk -F'|' '{ for (i = 1; i <= NF; i++) { c[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
  END { for (r = 1; r <= NR; r++) { line = ""
      for (i = 1; i <= NF; i++) line = line sprintf("%-" w[i] "s  ", c[r, i]); print line } }'
echo "clips of ${FORMAT_SECONDS} s, nproc $(nproc), ffmpeg $(ffmpeg -version | awk 'NR == 1 { print $3 }'), processor time: best of $RUNS"
exit "$status"
