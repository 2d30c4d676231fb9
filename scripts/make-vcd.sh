#!/usr/bin/env bash
# Makes a real Video CD image (BIN/CUE) from generated test pictures and tones.
#   make-vcd.sh OUTDIR NAME pal|ntsc TRACKS SECONDS [variant]
# variant "notracks": the MPEGAV folder is kept but its files are renamed to *.TXT,
# so the disc has an Mpegav folder that holds no playable file.
# variant "svcd": a Super Video CD (MPEG-2 tracks in its MPEG2 folder).
# variant "both": a Video CD that also carries an MPEG2 folder with an SVCD track in it.
# variant "set=ALBUM/NUMBER/COUNT": disc NUMBER of a set of COUNT discs with the album id ALBUM.
set -euo pipefail
out=$1 name=$2 norm=$3 tracks=$4 secs=$5 variant=${6:-}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$norm" = pal ]; then size=352x288 rate=25; else size=352x240 rate=30000/1001; fi
target=$norm-vcd type=vcd2 shape=()
if [ "$variant" = svcd ]; then
  # Pictures drawn at 4:3 with square pixels; the target squeezes them to the SVCD's 480 pixels
  # a line, and the stream says they are shown at 4:3.
  target=$norm-svcd type=svcd shape=(-aspect 4:3)
  if [ "$norm" = pal ]; then size=768x576; else size=640x480; fi
fi
patterns=(testsrc smptebars rgbtestsrc testsrc2 pal75bars yuvtestsrc)
files=()
for i in $(seq 1 "$tracks"); do
  pat=${patterns[$(( (i - 1) % ${#patterns[@]} ))]}
  freq=$(( 220 + 110 * i ))
  f="$work/track$(printf %02d "$i").mpg"
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "$pat=size=$size:rate=$rate:duration=$secs" \
    -f lavfi -i "sine=frequency=$freq:duration=$secs:sample_rate=44100" \
    -vf "drawtext=text='Track $i':fontsize=48:fontcolor=white:box=1:boxcolor=black@0.6:x=(w-text_w)/2:y=(h-text_h)/2" \
    -target "$target" "${shape[@]}" "$f" 2>/dev/null ||
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "$pat=size=$size:rate=$rate:duration=$secs" \
    -f lavfi -i "sine=frequency=$freq:duration=$secs:sample_rate=44100" \
    -target "$target" "${shape[@]}" "$f"
  files+=("$f")
done

extra=()
if [[ "$variant" == set=* ]]; then
  IFS=/ read -r album number count <<<"${variant#set=}"
  extra=(--info-album-id="$album" --volume-number="$number" --volume-count="$count")
fi
if [ "$variant" = both ]; then
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=480x576:rate=25:duration=$secs" \
    -f lavfi -i "sine=frequency=1000:duration=$secs:sample_rate=44100" -target pal-svcd "$work/svcd.mpg"
  extra=(--add-file="$work/svcd.mpg,MPEG2/AVSEQ01.MPG")
fi

vcdimager --type=$type --iso-volume-label="VOREN_${name^^}" "${extra[@]}" \
  --cue-file="$out/$name.cue" --bin-file="$out/$name.bin" "${files[@]}" >/dev/null
# vcdimager writes the BIN's path as given; keep the CUE relative to its own folder.
sed -i "s|FILE \".*\" BINARY|FILE \"$name.bin\" BINARY|" "$out/$name.cue"

if [ "$variant" = notracks ]; then
  perl -pi -e 's/AVSEQ(\d\d)\.DAT;1/AVSEQ$1.TXT;1/g' "$out/$name.bin"
fi
