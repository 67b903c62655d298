#!/bin/sh
# Generates the media of the timing and damage tests into the folder given (once: files
# already there are kept). Called by make_media.sh.
#
# time-*.* clips, 8 s of moving pictures with grain and a 1 kHz tone, at frame rates other
# than 25 (50p, 59.94i, 59.94p, 23.976) or with a start time code; in every one:
#   4.0-5.0 s  black                  -> black, check frames 100..124
#   4.0-6.0 s  tone at -2.5 dBFS      -> too high, check frames 100..149
# damage-*.* copies of clean clips with bytes zeroed, flipped or cut off (made by the tests
# from these: clean-*.*, 8 s at 25 fps).
set -eu

out=$1
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -nostdin -v error -y "$@"; }

# Colours at 60 % of the test pattern's saturation: its full colours, compressed, leave the gamut.
GRAIN="hue=s=0.6,noise=alls=16:allf=t+u"
BLACK="drawbox=x=0:y=0:w=iw:h=ih:color=black:t=fill:enable='between(t,4,4.999)'"
LOUD="volume='if(between(t,4,6),6,0.8)':eval=frame,aformat=channel_layouts=stereo"

timed() {  # timed FILE SIZE RATE CODEC-ARGS...
  file=$1; size=$2; rate=$3; shift 3
  [ -s "$file" ] && return 0
  ff -f lavfi -i "testsrc2=size=$size:rate=$rate:duration=8" \
     -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=8" \
     -filter_complex "[0:v]$GRAIN,$BLACK[v];[1:a]$LOUD[a]" -map "[v]" -map "[a]" "$@" "$file.part"
  mv "$file.part" "$file"
}

timed time-50p.mp4 1280x720 50 -c:v libx264 -preset veryfast -b:v 8M -g 50 -pix_fmt yuv420p \
  -c:a aac -b:a 128k -f mp4
timed time-2997.ts 720x480 30000/1001 -c:v mpeg2video -b:v 8M -maxrate 8M -bufsize 2M -g 15 \
  -flags +ilme+ildct -top 1 -c:a mp2 -b:a 192k -f mpegts
timed time-5994.ts 1280x720 60000/1001 -c:v libx264 -preset veryfast -b:v 8M -g 60 -pix_fmt yuv420p \
  -c:a mp2 -b:a 192k -f mpegts
timed time-23976.mov 720x480 24000/1001 -c:v prores_ks -profile:v 3 -timecode 10:00:00:00 \
  -c:a pcm_s16le -f mov
timed time-25tc.mxf 720x576 25 -c:v mpeg2video -pix_fmt yuv422p -b:v 30M -maxrate 30M -minrate 30M \
  -bufsize 2M -g 12 -timecode 10:00:00:00 -c:a pcm_s16le -f mxf

# Clean clips to damage: H.264 in MPEG-TS (a key frame every 2 s), MPEG-2 4:2:2 in MXF, and
# H.264 in MP4 with its index in front.
clean() {  # clean FILE CODEC-ARGS...
  file=$1; shift
  [ -s "$file" ] && return 0
  ff -f lavfi -i "testsrc2=size=720x576:rate=25:duration=8" \
     -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=8" \
     -filter_complex "[0:v]$GRAIN[v];[1:a]aformat=channel_layouts=stereo[a]" -map "[v]" -map "[a]" "$@" "$file.part"
  mv "$file.part" "$file"
}
clean clean-h264.ts -c:v libx264 -preset veryfast -b:v 6M -g 50 -pix_fmt yuv420p -c:a mp2 -b:a 192k -f mpegts
clean clean-mpeg2.mxf -c:v mpeg2video -pix_fmt yuv422p -b:v 30M -maxrate 30M -minrate 30M -bufsize 2M -g 12 \
  -c:a pcm_s16le -f mxf
clean clean-h264.mp4 -c:v libx264 -preset veryfast -b:v 6M -g 50 -pix_fmt yuv420p -c:a aac -b:a 128k \
  -movflags +faststart -f mp4
