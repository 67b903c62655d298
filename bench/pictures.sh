#!/bin/sh
# Precision and recall of the picture rules for freezes, colour bars and break-up (mosaic) over
# a corpus of generated broadcast-like files, with FFmpeg's freezedetect and blockdetect beside
# them on the same files; and what judging the decoded picture costs the checker in processor
# time (mosaic on against mosaic off).
#
# Corpus (made once into $QUARVIK_BENCH_MEDIA/pictures, 8 s each, 25 fps): a fractal zoom with
# temporal grain coded as stations deliver it (SD MPEG-2 4:2:2 15 Mbit/s GOP 12 interlaced in
# MXF, H.264 720p GOP 25 in MP4, HEVC 720p open GOP 50 in MP4, MPEG-2 8 Mbit/s in MPEG-TS) with
# planted faults: freezes, SMPTE SD, SMPTE HD and EBU bars (some with a logo and a caption), a
# stretch starved of bits, packets damaged in the stream; and files without any fault: clean
# programme, locked-off live shots under camera noise, held pixel art and a chequerboard.
# A found event matches a planted fault of its kind when it begins within 1 s of it.
# freezedetect runs with d=3 (the checker's 75 pictures), its default noise of -60 dB.
# blockdetect gives a figure per picture and no verdict: a picture counts as blocky when its
# figure exceeds the highest one seen on the programme files without any planted fault (so it
# makes no false alarm on them by construction; held graphics are left out of that limit, as
# a chequerboard's figure is far above any programme's), and runs of blocky pictures are its
# events.
#
# Environment: QUARVIK_CHECK (default build/apps/quarvik-check), QUARVIK_BENCH_MEDIA (default
# build/bench-media). Exit status 0, or 2 when a tool is missing or the checker fails.
set -eu

cd "$(dirname "$0")/.."
CHECK=${QUARVIK_CHECK:-build/apps/quarvik-check}
MEDIA=${QUARVIK_BENCH_MEDIA:-build/bench-media}/pictures
for tool in ffmpeg ffprobe python3 "$CHECK"; do
  command -v "$tool" >/dev/null 2>&1 || { echo "pictures.sh: $tool not found" >&2; exit 2; }
done
mkdir -p "$MEDIA"
tmp=$(mktemp -d "$MEDIA/run.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM
export QUARVIK_HOME="$tmp"  # the default parameters, whatever the program folder holds

ff() { nice ffmpeg -nostdin -v error -y "$@"; }
PROG="mandelbrot=size=360x288:rate=25:maxiter=160:end_scale=0.02:end_pts=300,trim=duration=8,setsar=1"
GRAIN="noise=alls=12:allf=t+u"
LOGO="drawbox=x=iw*0.8:y=ih*0.05:w=iw*0.12:h=ih*0.1:c=white@0.8:t=fill,drawbox=x=iw*0.1:y=ih*0.8:w=iw*0.8:h=ih*0.08:c=black@0.7:t=fill"
SD="-c:v mpeg2video -pix_fmt yuv422p -b:v 15M -minrate 15M -maxrate 15M -bufsize 1835k -g 12 -bf 2 -flags +ilme+ildct -top 1 -f mxf"
H264="-c:v libx264 -preset veryfast -pix_fmt yuv420p -b:v 8M -maxrate 10M -bufsize 10M -g 25 -bf 3 -f mp4"
HEVC="-c:v libx265 -preset ultrafast -pix_fmt yuv420p -b:v 6M -x265-params keyint=50:open-gop=1:log-level=error -f mp4"
TS="-c:v mpeg2video -pix_fmt yuv420p -b:v 8M -maxrate 8M -bufsize 1835k -g 12 -bf 2 -f mpegts"

# make NAME SIZE FILTER CODING: programme of SIZE through FILTER ([v] in, [o] out).
make() {
  name=$1 size=$2 filter=$3
  shift 3
  [ -s "$MEDIA/$name" ] && return 0
  echo "generating $name ..." >&2
  ff -f lavfi -i "$PROG,scale=$size,setsar=1,$GRAIN" -filter_complex "[0:v]$filter[o]" -map "[o]" "$@" "$MEDIA/$name.tmp"
  mv "$MEDIA/$name.tmp" "$MEDIA/$name"
}
FREEZE="split[a][b];[a][b]freezeframes=first=75:last=174:replace=74"   # held 3.0-7.0 s
LIVE="split[a][b];[a][b]freezeframes=first=1:last=199:replace=0,noise=alls=7:allf=t+u"  # one picture, sigma 2 noise
make freeze-sd.mxf 720x576 "$FREEZE" $SD
make freeze-h264.mp4 1280x720 "$FREEZE" $H264
make freeze-hevc.mp4 1280x720 "$FREEZE" $HEVC
make clean-sd.mxf 720x576 "null" $SD
make clean-h264.mp4 1280x720 "null" $H264
make clean-ts.ts 720x576 "null" $TS
make live-sd.mxf 720x576 "$LIVE" $SD
make live-h264.mp4 1280x720 "$LIVE" $H264
make live-hevc.mp4 1280x720 "$LIVE" $HEVC

# bars NAME SOURCE SIZE EXTRA CODING: 2 s of bars, then programme.
bars() {
  name=$1 src=$2 size=$3 extra=$4
  shift 4
  [ -s "$MEDIA/$name" ] && return 0
  echo "generating $name ..." >&2
  ff -f lavfi -i "$src=size=$size:rate=25:duration=2" -f lavfi -i "$PROG,trim=duration=6,scale=$size,setsar=1,$GRAIN" \
     -filter_complex "[0:v]$extra,setsar=1[b];[b][1:v]concat=n=2:v=1[o]" -map "[o]" "$@" "$MEDIA/$name.tmp"
  mv "$MEDIA/$name.tmp" "$MEDIA/$name"
}
bars bars-smpte-sd.mxf smptebars 720x576 "$LOGO" $SD
bars bars-ebu75-sd.mxf pal75bars 720x576 "null" $SD
bars bars-ebu100-sd.mxf pal100bars 720x576 "$LOGO" $SD
bars bars-smptehd-h264.mp4 smptehdbars 1280x720 "$LOGO" $H264
bars bars-smptehd-hevc.mp4 smptehdbars 1280x720 "null" $HEVC

# Graphics held still, 4 s each: pixel art (a small fractal shown with 8-pixel pixels), a
# chequerboard. Each is a held picture (a still frame), never mosaic.
if [ ! -s "$MEDIA/graphics-sd.mxf" ]; then
  echo "generating graphics-sd.mxf ..." >&2
  ff -f lavfi -i "mandelbrot=size=90x72:rate=25:maxiter=100" -f lavfi -i "color=c=black:size=720x576:rate=25:duration=4" \
     -filter_complex "[0:v]trim=end_frame=1,loop=loop=99:size=1,scale=720:576:flags=neighbor,setpts=N/25/TB,setsar=1[a];[1:v]geq=lum='if(mod(floor(X/16)+floor(Y/16)\,2)\,220\,30)':cb=128:cr=128,setsar=1[c];[a][c]concat=n=2:v=1[o]" \
     -map "[o]" $SD "$MEDIA/graphics-sd.mxf.tmp"
  mv "$MEDIA/graphics-sd.mxf.tmp" "$MEDIA/graphics-sd.mxf"
fi

# Break-up: 3 s at 8 Mbit/s, 2 s of a detailed very grainy stretch starved at 300 kbit/s, 3 s at
# 8 Mbit/s, one MPEG-2 stream; and the clean programme with 200 TS packets damaged at 6 s.
if [ ! -s "$MEDIA/starved-ts.ts" ]; then
  echo "generating starved-ts.ts ..." >&2
  C="-c:v mpeg2video -pix_fmt yuv420p -g 12 -bf 2"
  ff -f lavfi -i "$PROG,trim=duration=3,scale=720x576,$GRAIN" $C -b:v 8M -maxrate 8M -bufsize 1835k "$tmp/a.m2v"
  ff -f lavfi -i "mandelbrot=size=720x576:rate=25:maxiter=160:end_scale=0.02:end_pts=300,trim=duration=2,noise=alls=40:allf=t+u" \
     $C -b:v 300k -maxrate 300k -bufsize 600k "$tmp/b.m2v"
  ff -f lavfi -i "$PROG,trim=start=5:duration=3,setpts=PTS-STARTPTS,scale=720x576,$GRAIN" $C -b:v 8M -maxrate 8M -bufsize 1835k "$tmp/c.m2v"
  cat "$tmp/a.m2v" "$tmp/b.m2v" "$tmp/c.m2v" > "$tmp/all.m2v"
  ff -fflags +genpts -r 25 -i "$tmp/all.m2v" -c copy -f mpegts "$MEDIA/starved-ts.ts.tmp"
  mv "$MEDIA/starved-ts.ts.tmp" "$MEDIA/starved-ts.ts"
fi
if [ ! -s "$MEDIA/damaged-ts.ts" ]; then
  python3 - "$MEDIA/clean-ts.ts" "$MEDIA/damaged-ts.ts" <<'EOF'
import shutil, sys, os
src, dst = sys.argv[1], sys.argv[2]
shutil.copy(src, dst + ".tmp")
size = os.path.getsize(dst + ".tmp")
with open(dst + ".tmp", "r+b") as f:
    start = size * 6 // 8 // 188 * 188          # about 6 s into 8 s
    for i in range(200):
        f.seek(start + i * 188 * 2 + 4)
        f.write(bytes([(i * 31 + j * 7) & 0xFF for j in range(184)]))
os.rename(dst + ".tmp", dst)
EOF
fi

# Packets lost on the network: 2 s of programme, a cut to a test pattern under grain (6 s), in
# MPEG-TS as H.264 (one slice a picture) and as SD MPEG-2 4:2:2; 8 transport packets of the
# first picture after the cut lost. H.264 conceals the rest of that picture with streaks that
# the pictures after it carry to the next key picture; MPEG-2 conceals the rest of one slice
# from the picture before, which barely shows (a decoding error, no planted break-up).
cut() {
  name=$1
  shift
  [ -s "$MEDIA/$name" ] && return 0
  echo "generating $name ..." >&2
  ff -f lavfi -i "$PROG,trim=duration=2,scale=720x576,setsar=1,$GRAIN" -f lavfi -i "testsrc2=size=720x576:rate=25:duration=6" \
     -filter_complex "[1:v]setsar=1,$GRAIN[t];[0:v][t]concat=n=2:v=1[o]" -map "[o]" "$@" "$MEDIA/$name.tmp"
  mv "$MEDIA/$name.tmp" "$MEDIA/$name"
}
cut cut-h264-ts.ts -c:v libx264 -preset veryfast -pix_fmt yuv420p -b:v 6M -maxrate 6M -bufsize 6M -g 25 -bf 3 -f mpegts
cut cut-mpeg2-ts.ts $(echo "$SD" | sed 's/-f mxf/-f mpegts/')
for coding in h264 mpeg2; do
  [ -s "$MEDIA/lost-$coding-ts.ts" ] && continue
  python3 - "$MEDIA/cut-$coding-ts.ts" "$MEDIA/lost-$coding-ts.ts" <<'EOF'
import json, os, subprocess, sys
src, dst = sys.argv[1], sys.argv[2]
probe = json.loads(subprocess.run(["ffprobe", "-v", "quiet", "-select_streams", "v:0", "-show_packets",
                                   "-show_streams", "-of", "json", src], capture_output=True, check=True).stdout)
stream = probe["streams"][0]
start, pid = float(stream.get("start_time", 0)), int(stream["id"], 16)
first = next(p for p in probe["packets"] if float(p["pts_time"]) - start >= 2.0)
at, lose = (int(first["pos"]) + int(first["size"]) // 2) // 188 * 188, 8
data, out = open(src, "rb").read(), []
for i in range(0, len(data) - 187, 188):
    packet = data[i:i + 188]
    if i >= at and lose and ((packet[1] & 0x1F) << 8 | packet[2]) == pid:
        lose -= 1
        continue
    out.append(packet)
open(dst + ".tmp", "wb").write(b"".join(out))
os.rename(dst + ".tmp", dst)
EOF
done

# Planted faults: file kind begin-s end-s (kind: still, bars, mosaic).
cat > "$tmp/truth" <<'EOF'
freeze-sd.mxf still 3.0 7.0
freeze-h264.mp4 still 3.0 7.0
freeze-hevc.mp4 still 3.0 7.0
bars-smpte-sd.mxf bars 0 2
bars-ebu75-sd.mxf bars 0 2
bars-ebu100-sd.mxf bars 0 2
bars-smptehd-h264.mp4 bars 0 2
bars-smptehd-hevc.mp4 bars 0 2
graphics-sd.mxf still 0.04 4
graphics-sd.mxf still 4.04 8
starved-ts.ts mosaic 3 5
lost-h264-ts.ts mosaic 2 3
EOF
# damaged-ts.ts and lost-mpeg2-ts.ts plant no break-up: MPEG-2 conceals the damaged slices from
# the pictures around them, and the decoded pictures differ from the clean ones by a few grey
# levels along a band or two (a decoding error, code 11, which this table does not count).
FILES="freeze-sd.mxf freeze-h264.mp4 freeze-hevc.mp4 clean-sd.mxf clean-h264.mp4 clean-ts.ts live-sd.mxf
live-h264.mp4 live-hevc.mp4 bars-smpte-sd.mxf bars-ebu75-sd.mxf bars-ebu100-sd.mxf bars-smptehd-h264.mp4
bars-smptehd-hevc.mp4 graphics-sd.mxf starved-ts.ts damaged-ts.ts cut-h264-ts.ts cut-mpeg2-ts.ts lost-h264-ts.ts
lost-mpeg2-ts.ts"

# A parameter file like the defaults with mosaic off, for the cost comparison.
python3 - "$tmp/nomosaic.dat" <<'EOF'
import struct, sys
rows = {0: (1, 1, 0, 0), 1: (1, 75, 5, 99), 2: (1, 1, 5, 97), 3: (1, 1, 10, 80), 4: (1, 5, 5, 95),
        5: (0, 1, 5, 95), 16: (1, 750, -99, -60), 17: (1, 1500, -60, -38), 18: (1, 25, -9, 0),
        19: (0, 750, -99, -60), 20: (0, 1500, -60, -38), 21: (0, 25, -9, 0)}
body = struct.pack("<I", 0x20120504)
for code in range(32):
    e, d, t1, t2 = rows.get(code, (0, 0, 0, 0))
    body += struct.pack("<5i", e, code, d, t1, t2)
open(sys.argv[1], "wb").write(body + struct.pack("<I", sum(body) & 0xFFFFFFFF))
EOF

cpu() { # cpu OUT COMMAND...: runs it, appends user+sys seconds to OUT
  out=$1
  shift
  python3 - "$out" "$@" <<'EOF'
import resource, subprocess, sys
with open(sys.argv[1] + ".log", "wb") as log:
    subprocess.run(sys.argv[2:], stdout=log, stderr=subprocess.DEVNULL)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
open(sys.argv[1], "a").write("%.3f\n" % (r.ru_utime + r.ru_stime))
EOF
}

for f in $FILES; do
  echo "checking $f ..." >&2
  nice ffmpeg -nostdin -hide_banner -i "$MEDIA/$f" -an -vf "freezedetect=d=3,blockdetect,metadata=print:key=lavfi.block:file=$tmp/$f.block" \
    -f null - 2> "$tmp/$f.ffmpeg" || true
  cpu "$tmp/$f.cpu-on" "$CHECK" --json "$MEDIA/$f"
  python3 -c 'import json, sys; json.load(open(sys.argv[1]))' "$tmp/$f.cpu-on.log" 2>/dev/null ||
    { echo "pictures.sh: checker failed on $f" >&2; exit 2; }
  cpu "$tmp/$f.cpu-off" "$CHECK" --params "$tmp/nomosaic.dat" --json "$MEDIA/$f"
  cpu "$tmp/$f.cpu-decode" ffmpeg -nostdin -v error -threads 0 -i "$MEDIA/$f" -f null -
done

python3 - "$tmp" "$FILES" <<'EOF'
import json, re, sys, os
tmp, files = sys.argv[1], sys.argv[2].split()
truth = {}
for line in open(os.path.join(tmp, "truth")):
    f, kind, b, e = line.split()
    truth.setdefault(f, []).append((kind, float(b), float(e)))
KINDS = {1: "still", 3: "bars", 5: "mosaic"}

def runs(flags, rate=25.0):
    out, start = [], None
    for i, on in enumerate(flags + [False]):
        if on and start is None:
            start = i
        if not on and start is not None:
            out.append((start / rate, i / rate))
            start = None
    return out

found = {"checker": {}, "freezedetect": {}, "blockdetect": {}}
blocks = {}
for f in files:
    doc = json.load(open(os.path.join(tmp, f + ".cpu-on.log")))
    ev = doc["files"][0]["events"]
    found["checker"][f] = [(KINDS.get(e["code"], str(e["code"])), e["begin"] / 25.0) for e in ev]
    log = open(os.path.join(tmp, f + ".ffmpeg"), errors="replace").read()
    found["freezedetect"][f] = [("still", float(t)) for t in re.findall(r"freeze_start: ([0-9.]+)", log)]
    values = []
    path = os.path.join(tmp, f + ".block")
    if os.path.exists(path):
        values = [float(v) for v in re.findall(r"lavfi.block=([0-9.]+)", open(path).read())]
    blocks[f] = values

# blockdetect: the limit is the highest figure on the programme files without planted faults.
clean = [v for f in files if f not in truth and not f.startswith("graphics") for v in blocks[f]]
limit = max(clean) if clean else 0.0
for f in files:
    found["blockdetect"][f] = [("mosaic", b) for b, _ in runs([v > limit for v in blocks[f]])]

def score(detector, kind):
    tp = fp = fn = 0
    for f in files:
        planted = [b for k, b, _ in truth.get(f, []) if k == kind]
        got = [b for k, b in found[detector][f] if k == kind]
        used = set()
        for b in got:
            hit = next((i for i, p in enumerate(planted) if i not in used and abs(b - p) <= 1.0), None)
            if hit is None:
                fp += 1
            else:
                used.add(hit)
                tp += 1
        fn += len(planted) - len(used)
    p = "%.2f" % (tp / (tp + fp)) if tp + fp else "n/a"
    r = "%.2f" % (tp / (tp + fn)) if tp + fn else "n/a"
    return tp, fp, fn, p, r

print("| rule | detector | found | false | missed | precision | recall |")
print("|---|---|---|---|---|---|---|")
for kind, others in (("still", ["freezedetect"]), ("bars", []), ("mosaic", ["blockdetect"])):
    for det in ["checker"] + others:
        tp, fp, fn, p, r = score(det, kind)
        print("| %s | %s | %d | %d | %d | %s | %s |" % (kind, det, tp, fp, fn, p, r))
print()
print("blockdetect limit (highest figure on programme without faults): %.2f" % limit)
print()
print("| file | checker events (kind@s) | freezedetect | blockdetect runs | CPU s mosaic on / off / ffmpeg decode |")
print("|---|---|---|---|---|")
def cpu(f, what):
    return float(open(os.path.join(tmp, f + ".cpu-" + what)).read().split()[-1])
tot = {"on": 0.0, "off": 0.0, "decode": 0.0}
for f in files:
    c = " ".join("%s@%.2f" % e for e in found["checker"][f]) or "-"
    z = " ".join("@%.2f" % b for _, b in found["freezedetect"][f]) or "-"
    k = " ".join("@%.2f" % b for _, b in found["blockdetect"][f]) or "-"
    t = {w: cpu(f, w) for w in tot}
    for w in tot:
        tot[w] += t[w]
    print("| %s | %s | %s | %s | %.2f / %.2f / %.2f |" % (f, c, z, k, t["on"], t["off"], t["decode"]))
print()
print("processor time over the corpus: checker %.2f s with mosaic, %.2f s without (+%.1f %%), ffmpeg decode %.2f s"
      % (tot["on"], tot["off"], 100.0 * (tot["on"] - tot["off"]) / tot["off"] if tot["off"] else 0.0, tot["decode"]))
EOF
