#!/bin/sh
# Generates the test media into the folder given (once: files already there are kept).
#
# faults.* clips, 12 s at 25 fps (300 pictures), every fault at a known place:
#   pictures   0- 49  PAL colour bars                 -> colour bars 0..49
#   pictures  50- 74  black                           -> black 50..74
#   pictures  75- 99  uniform grey                    -> colour field 75..99
#   pictures 100-199  moving test pattern             -> no fault
#   pictures 200-299  the last of them, frozen        -> still frame 200..298 (flushed at 299)
#   sound  0-4 s 1 kHz at -20 dBFS, 4-6 s at -2.5 dBFS (too high), 6-8 s at -20 dBFS,
#          8-12 s digital silence (both channels)
# Containers and codecs: MPEG-2/MP2 in MPEG-TS, MPEG-2/PCM in MXF, H.264 (B-frames)/AAC in MP4,
# DV/PCM in AVI. Also: PCM WAV (stereo 48 kHz S16, handed on unconverted), an audio-only
# mono 44.1 kHz AAC file, AAC with cover art, 8-bit PCM WAV, a video-only H.264 file, clips
# for video lost (and for what only looks like it), and broken inputs.
set -eu

out=$1
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -nostdin -v error -y "$@"; }

VIDEO="[0:v][1:v][2:v][3:v]concat=n=4:v=1:a=0,tpad=stop_mode=clone:stop_duration=4,format=yuv420p"
AUDIO="volume='if(between(t,4,6),6,if(lt(t,8),0.8,0))':eval=frame,aformat=channel_layouts=stereo"

faults() {  # faults FILE CODEC-ARGS...
  file=$1; shift
  [ -s "$file" ] && return 0
  ff -f lavfi -i "pal75bars=size=720x576:rate=25:duration=2" \
     -f lavfi -i "color=c=black:size=720x576:rate=25:duration=1" \
     -f lavfi -i "color=c=gray:size=720x576:rate=25:duration=1" \
     -f lavfi -i "testsrc2=size=720x576:rate=25:duration=4" \
     -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=12" \
     -filter_complex "$VIDEO[v];[4:a]$AUDIO[a]" -map "[v]" -map "[a]" "$@" "$file.part"
  mv "$file.part" "$file"
}

faults faults.ts  -c:v mpeg2video -qmin 1 -q:v 1 -c:a mp2 -b:a 192k -f mpegts
faults faults.mxf -c:v mpeg2video -b:v 15M -maxrate 15M -minrate 15M -bufsize 2M -c:a pcm_s16le -f mxf
faults faults.mp4 -c:v libx264 -preset veryfast -crf 12 -bf 3 -g 50 -c:a aac -b:a 128k -f mp4
faults faults.avi -c:v dvvideo -c:a pcm_s16le -f avi

# Other frame rates, start time codes, and clean clips for the damage tests.
"$here/make_time_media.sh" .

# sound-*.* clips, 30 s of a 1 kHz tone at -20 dBFS with sound faults late in the file:
#   20-23 s digital silence, 25-27 s at -54 dBFS (too low), 28-29.5 s at -2.5 dBFS (too high).
# Codecs whose units differ in size, start short, or come resampled from 44.1 kHz.
SOUND="volume='if(lt(t,20),0.8,if(lt(t,23),0,if(lt(t,25),0.8,if(lt(t,27),0.016,if(lt(t,28),0.8,if(lt(t,29.5),6,0.8))))))':eval=frame,aformat=channel_layouts=stereo"

sound_faults() {  # sound_faults FILE RATE CODEC-ARGS...
  file=$1; rate=$2; shift 2
  [ -s "$file" ] && return 0
  ff -f lavfi -i "sine=frequency=1000:sample_rate=$rate:duration=30" "$@" -af "$SOUND" "$file.part"
  mv "$file.part" "$file"
}

sound_faults sound-aac44k.mp4 44100 \
  -f lavfi -i "color=c=gray:size=64x48:rate=25:duration=30" -map 1:v -map 0:a \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 64k -f mp4
sound_faults sound-mp3.mp3 44100 -c:a libmp3lame -b:a 64k -f mp3
sound_faults sound-opus.ogg 48000 -c:a libopus -b:a 48k -f ogg
sound_faults sound-vorbis.ogg 44100 -c:a libvorbis -q:a 0 -f ogg
sound_faults sound-ac3.ac3 48000 -c:a ac3 -b:a 96k -f ac3
sound_faults sound-flac.flac 48000 -c:a flac -f flac
sound_faults sound-pcm44k.wav 44100 -c:a pcm_s16le -f wav

# stream.mp4, served over RTMP by the tests: 1 s black, then 3 s of a moving pattern, with sound.
[ -s stream.mp4 ] || ff -f lavfi -i "color=c=black:size=160x120:rate=25:duration=1" \
  -f lavfi -i "testsrc2=size=160x120:rate=25:duration=3" \
  -f lavfi -i "sine=frequency=1000:sample_rate=44100:duration=4" \
  -filter_complex "[0:v][1:v]concat=n=2:v=1:a=0,format=yuv420p[v]" -map "[v]" -map 2:a \
  -c:v libx264 -preset veryfast -g 25 -c:a aac -b:a 64k -f mp4 stream.mp4

[ -s tone.wav ] || ff -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=3" \
  -af "aformat=channel_layouts=stereo" -c:a pcm_s16le tone.wav
[ -s mono44k.m4a ] || ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=3" \
  -af "volume='if(lt(t,2),1,0)':eval=frame" -ac 1 -c:a aac -f mp4 mono44k.m4a
[ -s video-only.mkv ] || ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=2" \
  -c:v libx264 -preset veryfast -crf 12 -bf 3 -pix_fmt yuv420p video-only.mkv
[ -s cover.m4a ] || ff -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=2" \
  -f lavfi -i "color=c=red:size=64x64:duration=0.04" -map 0 -map 1 -c:a aac -c:v mjpeg \
  -frames:v 1 -disposition:v attached_pic -f mp4 cover.m4a
[ -s u8.wav ] || ff -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=2" -c:a pcm_u8 u8.wav

# Video lost and its look-alikes: 4 s at 320 x 240 under a tone.
SMALL="size=320x240:rate=25"
TONE="sine=frequency=440:sample_rate=48000:duration=4"
# 2 s of pictures under 4 s of sound: video lost from picture 50 on.
[ -s short-video.ts ] || ff -f lavfi -i "testsrc2=$SMALL:duration=2" -f lavfi -i "$TONE" \
  -c:v mpeg2video -c:a mp2 short-video.ts
# Intra-only H.264 with its index in front, whose pictures the tests damage.
[ -s intra.mp4 ] || ff -f lavfi -i "testsrc2=$SMALL:duration=4" -f lavfi -i "$TONE" \
  -c:v libx264 -preset veryfast -g 1 -c:a aac -movflags +faststart intra.mp4
# Variable frame rate: the still 2 s in the middle are one picture, held.
for ext in mp4 mkv; do
  [ -s vfr.$ext ] || ff -f lavfi -i "testsrc2=$SMALL:duration=1" -f lavfi -i "color=c=red:$SMALL:duration=2" \
    -f lavfi -i "testsrc2=$SMALL:duration=1" -f lavfi -i "$TONE" \
    -filter_complex "[0:v][1:v][2:v]concat=n=3:v=1:a=0,mpdecimate,format=yuv420p[v]" -map "[v]" -map 3:a \
    -vsync vfr -c:v libx264 -preset veryfast -bf 3 -c:a aac vfr.$ext
done
# The first picture 1 s after the sound begins.
[ -s late-video.ts ] || ff -f lavfi -i "$TONE" -itsoffset 1 -f lavfi -i "testsrc2=$SMALL:duration=3" \
  -map 1:v -map 0:a -c:v mpeg2video -c:a mp2 late-video.ts
# 29.97 pictures per second with B-frames.
[ -s ntsc.mp4 ] || ff -f lavfi -i "testsrc2=size=320x240:rate=30000/1001:duration=4" -f lavfi -i "$TONE" \
  -c:v libx264 -preset veryfast -bf 3 -c:a aac ntsc.mp4

# Sound on many channels, 8 s each. Every channel carries programme-like sound (two tones and
# pink noise, slowly swelling, peaks near -20 dBFS) with its own gain over time:
#   ch-tracks8.mxf   MPEG-2 4:2:2 with 8 mono 24-bit PCM tracks: track 3 silent 2-6 s,
#                    track 4 too low (about -48 dBFS) 3-7 s, track 6 too high (about -4) 1-3 s
#   ch-surround.ac3  AC-3 5.1: the centre silent 2-6 s
#   ch-stereo4.ts    H.264 with 4 stereo AAC tracks: track 3 (both channels) silent 2-6 s
#   ch-wav16.wav     16 channels of PCM: channel 11 silent 2-5 s, channel 14 too low 1-4 s
#   ch-mono.wav      mono, peaks at -8 dBFS throughout (too high)
chan() {  # chan LABEL SEED GAIN: one channel as a filter chain ending in [LABEL];
  printf '%s' "sine=f=$((220 + $2 * 37)):r=48000:d=8,volume=1.6[t$1];sine=f=$((330 + $2 * 53)):r=48000:d=8[u$1];anoisesrc=c=pink:r=48000:a=0.25:seed=$2:d=8[n$1];[t$1][u$1][n$1]amix=inputs=3:normalize=0,tremolo=f=0.7:d=0.3,aeval=val(0)*$3,aformat=channel_layouts=mono[$1];"
}
OK=0.25
SILENT='if(between(t\,2\,6)\,0\,0.25)'
chans() {  # chans COUNT "N=GAIN ...": channels c1..cCOUNT, the listed ones with their gain
  graph=""
  for i in $(seq 1 "$1"); do
    gain=$OK
    for pair in $2; do [ "${pair%%=*}" = "$i" ] && gain=${pair#*=}; done
    graph="$graph$(chan c$i $i "$gain")"
  done
  printf '%s' "$graph"
}
if [ ! -s ch-tracks8.mxf ]; then
  G=$(chans 8 "3=$SILENT 4=if(between(t\,3\,7)\,0.01\,0.25) 6=if(between(t\,1\,3)\,1.6\,0.25)")
  ff -f lavfi -i "testsrc2=size=720x576:rate=25,noise=alls=8:allf=t" -filter_complex "${G%;}" -t 8 \
    -map 0:v $(for i in 1 2 3 4 5 6 7 8; do printf -- '-map [c%d] ' $i; done) \
    -c:v mpeg2video -pix_fmt yuv422p -b:v 15M -maxrate 15M -minrate 15M -bufsize 2M -g 12 \
    -c:a pcm_s24le -f mxf ch-tracks8.mxf.part
  mv ch-tracks8.mxf.part ch-tracks8.mxf
fi
if [ ! -s ch-surround.ac3 ]; then
  G=$(chans 6 "3=$SILENT")
  ff -filter_complex "${G}[c1][c2][c3][c4][c5][c6]join=inputs=6:channel_layout=5.1(side):map=0.0-FL|1.0-FR|2.0-FC|3.0-LFE|4.0-SL|5.0-SR[a]" -map "[a]" \
    -c:a ac3 -b:a 448k -f ac3 ch-surround.ac3.part
  mv ch-surround.ac3.part ch-surround.ac3
fi
if [ ! -s ch-stereo4.ts ]; then
  G=$(chans 8 "5=$SILENT 6=$SILENT")
  ff -f lavfi -i "testsrc2=size=352x288:rate=25:duration=8,noise=alls=8:allf=t" -filter_complex \
    "${G}[c1][c2]join=inputs=2[s1];[c3][c4]join=inputs=2[s2];[c5][c6]join=inputs=2[s3];[c7][c8]join=inputs=2[s4]" \
    -map 0:v -map "[s1]" -map "[s2]" -map "[s3]" -map "[s4]" -c:v libx264 -preset veryfast -b:v 2M \
    -c:a aac -b:a 128k -f mpegts ch-stereo4.ts.part
  mv ch-stereo4.ts.part ch-stereo4.ts
fi
if [ ! -s ch-wav16.wav ]; then
  G=$(chans 16 "11=if(between(t\,2\,5)\,0\,0.25) 14=if(between(t\,1\,4)\,0.01\,0.25)")
  ff -filter_complex "${G}$(for i in $(seq 1 16); do printf '[c%d]' $i; done)amerge=inputs=16[a]" -map "[a]" \
    -c:a pcm_s16le -f wav ch-wav16.wav.part
  mv ch-wav16.wav.part ch-wav16.wav
fi
[ -s ch-mono.wav ] || ff -f lavfi -i "sine=f=1000:r=48000:d=4,volume=3.1" \
  -f lavfi -i "anoisesrc=c=pink:r=48000:a=0.01:d=4" -filter_complex "amix=inputs=2:normalize=0" -c:a pcm_s16le ch-mono.wav

# Broken inputs.
: > empty.ts
[ -s random.mxf ] || head -c 200000 /dev/urandom > random.mxf
[ -s truncated.mp4 ] || head -c 120000 faults.mp4 > truncated.mp4
printf 'this is not media\n' > notes.txt
# 64 KiB of garbage in the middle of a good file: those packets are lost, the rest is checked.
if [ ! -s damaged.ts ]; then
  cp faults.ts damaged.ts.part
  head -c 65536 /dev/urandom | dd of=damaged.ts.part bs=1 seek=2000000 conv=notrunc status=none
  mv damaged.ts.part damaged.ts
fi
echo "test media ready in $out"
