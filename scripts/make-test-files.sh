#!/usr/bin/env bash
# Makes the small media files the engine's tests play as local files (not discs), with ffmpeg:
#   pal1.mpg / ntsc1.mpg  1 s Video CD MPEG       pal2.mpg  2 s, red, green and blue stripes
#   long.mpg  20 s PAL                            noise.dat 300 KiB of fixed random bytes
#   tones.mpg 6 s of Video CD sound only: 440 Hz on the first channel, 1000 Hz on the second
#   karaoke.mpg 8 s PAL shown at 4:3: the stripes with the two tones of tones.mpg
#   mono.mp3  3 s of 440 Hz on one channel
#   make-test-files.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
vcd() {  # NAME pal|ntsc PATTERN SECONDS
  local size=352x288 rate=25
  [ "$2" = ntsc ] && size=352x240 rate=30000/1001
  ff -f lavfi -i "$3=size=$size:rate=$rate:duration=$4" -f lavfi -i "sine=frequency=440:duration=$4:sample_rate=44100" \
    -target "$2-vcd" "$out/$1"
}
tones() { echo -f lavfi -i "sine=frequency=440:duration=$1:sample_rate=44100" -f lavfi -i "sine=frequency=1000:duration=$1:sample_rate=44100"; }
vcd pal1.mpg pal testsrc 1
vcd ntsc1.mpg ntsc smptebars 1
vcd pal2.mpg pal rgbtestsrc 2
vcd long.mpg pal testsrc2 20
# shellcheck disable=SC2046
ff $(tones 6) -filter_complex '[0:a][1:a]join=inputs=2:channel_layout=stereo[a]' -map '[a]' -c:a mp2 -b:a 224k -f mpeg "$out/tones.mpg"
ff -f lavfi -i "sine=frequency=440:duration=3:sample_rate=44100" -ac 1 -c:a libmp3lame "$out/mono.mp3"
# shellcheck disable=SC2046
ff -f lavfi -i "rgbtestsrc=size=352x288:rate=25:duration=8" $(tones 8) \
  -filter_complex '[1:a][2:a]join=inputs=2:channel_layout=stereo[a]' -map 0:v -map '[a]' -target pal-vcd -aspect 4:3 \
  "$out/karaoke.mpg"
python3 -c "import random, sys; r = random.Random(12345); sys.stdout.buffer.write(bytes(r.randrange(256) for _ in range(307200)))" \
  >"$out/noise.dat"
