#!/usr/bin/env bash
# Makes the desktop's icons from the program's own icon (assets/vcdplayer.ico, a 32 x 32 picture):
# PNGs of 16, 32, 48, 64, 128 and 256 pixels under icons/NNxNN/, installed into the hicolor theme.
# The picture is pixel art: whole multiples of 32 are scaled pixel for pixel so the edges stay
# sharp, 48 is taken down from 96 with a box filter, 16 is taken down from 32 the same way.
# The results are small and committed; run this again only when the icon changes.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
src=../assets/vcdplayer.ico
name=org.example.voren.vcdplayer

# The icon file holds a 16-colour and a 256-colour picture of 32 x 32; take the richer one.
frame=$("$convert" "$src" -format '%p %k\n' info: | sort -k2 -n | tail -n1 | cut -d' ' -f1)

for size in 16 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  out="icons/${size}x${size}/$name.png"
  if ((size % 32 == 0)); then
    "$convert" "$src[$frame]" -filter point -resize "${size}x${size}" "PNG32:$out"
  else
    "$convert" "$src[$frame]" -filter point -resize 300% -filter box -resize "${size}x${size}" "PNG32:$out"
  fi
  # No dates or file names inside: the same icon gives the same file.
  "$convert" "$out" -strip -define png:exclude-chunks=date,time "PNG32:$out"
done
echo "icons written under $(pwd)/icons"
