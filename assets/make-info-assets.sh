#!/usr/bin/env bash
# Draws the About and Quick Help windows' pictures with ImageMagick:
#   about-banner.bmp  the About window's vertical banner, 77 x 201, 24-bit Windows bitmap
#   help.ico          the Quick Help window's icon, 32 x 32 and 16 x 16, 16 colours
#   link-mail.ico     the e-mail link's mouse pointer, an icon of 32 x 32 and 16 x 16, 16 colours
#   link-web.cur      the web links' mouse pointer, a monochrome 32 x 32 cursor, hot spot 12,1
# The results are small and committed; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The 16 colours of the classic VGA palette, which the icons are reduced to.
"$convert" -size 1x1 xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' xc:'#000080' xc:'#800080' \
  xc:'#008080' xc:'#c0c0c0' xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' xc:'#0000ff' \
  xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' +append "PNG8:$work/vga16.png"

# An icon file with a 32 x 32 and a 16 x 16 image of 16 colours each, from one 32 x 32 drawing.
# The clear parts stay clear: the colours are reduced on an opaque copy and the drawing's own
# transparency, cut to all or nothing, is put back for the icon's mask.
make_icon() {  # out.ico drawing.png
  local size
  for size in 32 16; do
    "$convert" "$2" -resize "${size}x${size}" -alpha extract -threshold 50% "$work/mask$size.png"
    "$convert" "$2" -resize "${size}x${size}" -background black -alpha remove +dither \
      -remap "$work/vga16.png" "$work/mask$size.png" -alpha off -compose CopyOpacity -composite \
      "$work/i$size.png"
  done
  "$convert" "$work/i32.png" "$work/i16.png" -colors 16 "ICO:$1"
}

# Banner: a night-blue strip with a disc and the product's name running upwards.
"$convert" -size 201x77 gradient:'#1a0a4a'-'#3c0f5c' -rotate 90 \
  -fill '#d8d8e8' -stroke '#7070a0' -draw 'circle 38,38 38,10' \
  -fill '#3c3c70' -stroke none -draw 'circle 38,38 38,30' \
  -fill '#1a0a4a' -draw 'circle 38,38 38,34' \
  -stroke '#ffffff' -strokewidth 1 -fill none -draw 'arc 18,18 58,58 200,250' \
  \( -size 130x40 xc:none -fill '#ffffff' -font DejaVu-Sans-Bold -pointsize 20 -gravity center \
     -annotate +0-4 'VCD Player' -fill '#ffcc33' -pointsize 11 -annotate +0+14 'Lite 2.2.0' -rotate -90 \) \
  -gravity south -geometry +0+8 -composite \
  -alpha off -type TrueColor BMP3:about-banner.bmp

# Quick Help icon: a white question mark on a blue ball.
"$convert" -size 32x32 xc:none -fill '#0000ff' -stroke '#000080' -draw 'circle 15.5,15.5 15.5,1' \
  -fill white -stroke none -font DejaVu-Sans-Bold -pointsize 24 -gravity center -annotate +0+1 '?' \
  "$work/help.png"
make_icon help.ico "$work/help.png"

# E-mail pointer: a letter envelope.
"$convert" -size 32x32 xc:none -fill '#ffff00' -stroke '#000000' -draw 'rectangle 2,7 29,24' \
  -fill none -draw 'polyline 2,7 15.5,18 29,7' -draw 'line 2,24 12,15' -draw 'line 29,24 19,15' \
  "$work/mail.png"
make_icon link-mail.ico "$work/mail.png"

# Web pointer: a pointing hand, the fingertip at 12,1; black outline, white inside, the rest clear.
"$convert" -size 32x32 xc:none +antialias -fill white -stroke black -strokewidth 1 \
  -draw 'roundrectangle 10,1 14,17 2,2' -draw 'roundrectangle 14,8 18,18 2,2' \
  -draw 'roundrectangle 18,9 22,19 2,2' -draw 'roundrectangle 22,11 26,21 2,2' \
  -draw 'roundrectangle 5,14 10,21 2,2' -draw 'roundrectangle 8,15 26,29 4,4' \
  -stroke none -draw 'rectangle 11,13 25,20' -draw 'rectangle 9,16 12,21' "$work/hand.png"
# A monochrome cursor holds two 1-bit masks, bottom row first: the colour bits (1 = white) and
# the transparency bits (1 = clear). PBM rows of 32 pixels are already 4-byte aligned.
"$convert" "$work/hand.png" -background black -alpha remove -negate -flip -monochrome "PBM:$work/xor.pbm"
"$convert" "$work/hand.png" -alpha extract -flip -monochrome "PBM:$work/and.pbm"
{
  printf '\x00\x00\x02\x00\x01\x00'                                  # cursor file, one image
  printf '\x20\x20\x02\x00\x0c\x00\x01\x00\x30\x01\x00\x00\x16\x00\x00\x00'  # 32x32, hot spot 12,1
  printf '\x28\x00\x00\x00\x20\x00\x00\x00\x40\x00\x00\x00\x01\x00\x01\x00'  # 1 bit, height x2
  printf '\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00'
  printf '\x00\x00\x00\x00\xff\xff\xff\x00'                          # black, white
  tail -c 128 "$work/xor.pbm"
  tail -c 128 "$work/and.pbm"
} > link-web.cur
