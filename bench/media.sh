# The bench clips, made from lavfi sources once into $MEDIA and reused; sourced by the bench
# scripts (which set MEDIA). Defines H264 and MPEG2, the paths of the two clips.
# Both clips: 60 s of moving test pattern with light temporal noise (so the decoder has real
# residuals to work through), black from 30 to 34 s; a two-tone stereo sound at -18 dB that goes
# silent from 45 to 49 s. Written under a temporary name so an interrupted run is never reused.
# With FORMATS_ONLY set, only the format clips of the cost table (make_format_clips) are made.
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
if [ -z "${FORMATS_ONLY:-}" ]; then  # cost.sh needs only the format clips below
# libx264 default preset (medium: 3 B-frames), 2 s GOP, bit rate capped like a broadcast file.
make_clip "$H264" 1920x1080 mp4 -c:v libx264 -crf 23 -maxrate 15M -bufsize 30M -g 50 \
  -c:a aac -b:a 192k -ac 2 -ar 48000
# SD MPEG-2 with the usual 12-frame GOP and 2 B-frames.
make_clip "$MPEG2" 720x576 mpegts -c:v mpeg2video -b:v 6M -maxrate 9M -bufsize 1835k -g 12 -bf 2 \
  -c:a mp2 -b:a 192k -ac 2 -ar 48000
fi

# The broadcast formats of the cost table (cost.sh), $FORMAT_SECONDS long (default 10): the
# same moving pattern with temporal grain and the two-tone sound, in the codecs and containers
# stations exchange. FORMAT_CLIPS lists the paths, one per format, in table order.
FORMAT_SECONDS=${FORMAT_SECONDS:-10}
FORMAT_CLIPS=""

make_format_clip() { # name size rate container video-options...
  out="$MEDIA/fmt-$1" size=$2 rate=$3 fmt=$4
  shift 4
  FORMAT_CLIPS="$FORMAT_CLIPS $out"
  [ -s "$out" ] && return 0
  echo "generating $out ..." >&2
  ffmpeg -nostdin -v error -y \
    -f lavfi -i "testsrc2=size=$size:rate=$rate:duration=$FORMAT_SECONDS" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$FORMAT_SECONDS" \
    -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=$FORMAT_SECONDS" \
    -filter_complex "[0:v]noise=alls=12:allf=t+u[v];$SOUND" -map "[v]" -map "[a]" \
    "$@" -f "$fmt" "$out.tmp"
  mv "$out.tmp" "$out"
}

make_format_clips() {
  INTERLACED="-flags +ilme+ildct -top 1"
  make_format_clip h264-1080p.mp4 1920x1080 25 mp4 -c:v libx264 -preset veryfast -b:v 15M -maxrate 15M \
    -bufsize 30M -g 50 -pix_fmt yuv420p -c:a aac -b:a 192k
  # shellcheck disable=SC2086
  make_format_clip h264-1080i.ts 1920x1080 25 mpegts -c:v libx264 -preset veryfast -b:v 15M -maxrate 15M \
    -bufsize 30M -g 50 -pix_fmt yuv420p $INTERLACED -x264opts tff=1 -c:a mp2 -b:a 192k
  # shellcheck disable=SC2086
  make_format_clip mpeg2-1080i-422.mxf 1920x1080 25 mxf -c:v mpeg2video -pix_fmt yuv422p -b:v 50M \
    -maxrate 50M -minrate 50M -bufsize 17825792 -g 12 -bf 2 $INTERLACED -c:a pcm_s16le
  make_format_clip mpeg2-sd-intra.mxf 720x576 25 mxf -c:v mpeg2video -pix_fmt yuv422p -g 1 -b:v 50M \
    -maxrate 50M -minrate 50M -bufsize 2000000 -c:a pcm_s16le
  make_format_clip dv25.avi 720x576 25 avi -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le
  make_format_clip prores-hq.mov 1920x1080 25 mov -c:v prores_ks -profile:v 3 -c:a pcm_s16le
  make_format_clip hevc-1080p.mp4 1920x1080 25 mp4 -c:v libx265 -preset ultrafast -b:v 10M \
    -x265-params log-level=error -pix_fmt yuv420p -c:a aac -b:a 192k
  make_format_clip dnxhd-1080p.mov 1920x1080 25 mov -c:v dnxhd -b:v 120M -pix_fmt yuv422p -c:a pcm_s16le
}
