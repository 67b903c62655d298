# The bench clips, made from lavfi sources once into $MEDIA and reused; sourced by the bench
# scripts (which set MEDIA). Defines H264 and MPEG2, the paths of the two clips.
# Both clips: 60 s of moving test pattern with light temporal noise (so the decoder has real
# residuals to work through), black from 30 to 34 s; a two-tone stereo sound at -18 dB that goes
# silent from 45 to 49 s. Written under a temporary name so an interrupted run is never reused.
PATTERN_VF="noise=alls=6:allf=t,drawbox=c=black:t=fill:enable='between(t,30,34)',format=yuv420p"
SOUND="[1:a][2:a]amerge=inputs=2,volume=-18dB,volume=0:enable='between(t,45,49)'[a]"

make_clip() { # file size format video-and-sound-encoder-options...
  out=$1 size=$2 fmt=$3
  shift 3
  [ -s "$out" ] && return 0
  echo "generating $out ..." >&2
  ffmpeg -nostdin -v error -y \
    -f lavfi -i "testsrc2=size=$size:rate=25:duration=60" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=60" \
    -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=60" \
    -filter_complex "[0:v]${PATTERN_VF}[v];$SOUND" -map "[v]" -map "[a]" \
    "$@" -f "$fmt" "$out.tmp"
  mv "$out.tmp" "$out"
}

H264="$MEDIA/hd-h264-aac.mp4"
MPEG2="$MEDIA/sd-mpeg2-mp2.ts"
# libx264 default preset (medium: 3 B-frames), 2 s GOP, bit rate capped like a broadcast file.
make_clip "$H264" 1920x1080 mp4 -c:v libx264 -crf 23 -maxrate 15M -bufsize 30M -g 50 \
  -c:a aac -b:a 192k -ac 2 -ar 48000
# SD MPEG-2 with the usual 12-frame GOP and 2 B-frames.
make_clip "$MPEG2" 720x576 mpegts -c:v mpeg2video -b:v 6M -maxrate 9M -bufsize 1835k -g 12 -bf 2 \
  -c:a mp2 -b:a 192k -ac 2 -ar 48000
