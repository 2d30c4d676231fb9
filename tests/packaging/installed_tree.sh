#!/usr/bin/env bash
# Installs the build into a temporary prefix with `cmake --install` and checks the installed tree
# as a desktop sees it: the launcher starts the installed binary with the file it is given, its
# icon resolves in the hicolor theme at every size, at that size; the launcher and the AppStream
# metadata pass their validators (both AppStream ones, online too where the homepage can be reached),
# alone and together; the manual page reads without warnings.
#   installed_tree.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$root/usr" >/dev/null
id=org.example.voren.vcdplayer
desktop=$root/usr/share/applications/$id.desktop
metainfo=$root/usr/share/metainfo/$id.metainfo.xml

[ -x "$root/usr/bin/vcdplayer" ] || fail "no vcdplayer in bin"
# The player itself is a library private to the program: in a folder of its own, which the
# installed program finds from its own place.
library=$(find "$root/usr/lib" -path '*/vcdplayer/libvcdplayer.so' | head -n1)
[ -n "$library" ] || fail "no libvcdplayer.so in a lib/.../vcdplayer folder"
"$root/usr/bin/vcdplayer" --version | grep -q '^vcdplayer (Voren VCD Player Lite) ' || fail "the installed program does not run"
[ -f "$desktop" ] || fail "no launcher"
[ -f "$metainfo" ] || fail "no AppStream metadata"

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"
# Software centres built on appstream-glib read it with their own, stricter rules (a homepage, no
# stock icon of the program's own).
appstream-util validate --nonet "$metainfo" || fail "appstream-util validate"
# Online the validators also fetch the homepage; where this machine can reach it, so must they.
homepage=$(sed -n 's|.*<url type="homepage">\(.*\)</url>.*|\1|p' "$metainfo")
if getent hosts "$(echo "$homepage" | sed 's|^https://||; s|/.*||')" >/dev/null; then
  appstreamcli validate --pedantic "$metainfo" || fail "appstreamcli validate (online)"
  appstream-util validate "$metainfo" || fail "appstream-util validate (online)"
fi
# The tree as a software centre reads it: the component, its launcher and its icon together.
appstreamcli validate-tree --no-net "$root/usr" || fail "appstreamcli validate-tree"

key() { sed -n "s/^$1=//p" "$desktop"; }
# The launcher runs the installed program with the one file it is handed.
exec_line=$(key Exec)
[ "$exec_line" = "vcdplayer %f" ] || fail "Exec is '$exec_line'"
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "Exec names no installed program"
# What the file manager offers it for: cue sheets, CD and ISO images, MPEG video.
mimes=$(key MimeType)
for t in application/x-cue application/x-cd-image application/x-iso9660-image video/mpeg x-content/video-vcd x-content/video-svcd; do
  [[ ";$mimes" == *";$t;"* ]] || fail "the launcher does not open $t"
done
# ... and nothing else: a Video CD player is no handler for music files.
[[ ";$mimes" != *";audio/"* ]] || fail "the launcher claims sound files: $mimes"
# Every type it names is one the desktop knows.
known=/usr/share/mime/packages/freedesktop.org.xml
IFS=';' read -ra types <<<"$mimes"
for t in "${types[@]}"; do
  [ -z "$t" ] && continue
  [[ $t == x-content/* ]] && continue
  grep -q "type=\"$t\"" "$known" || grep -q "<alias type=\"$t\"" "$known" || fail "unknown MIME type $t"
done
# The metadata names this launcher, and lists the same types.
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metadata names another launcher"
for t in "${types[@]}"; do
  [[ -z $t || $t == x-content/* ]] && continue
  grep -q "<mediatype>$t</mediatype>" "$metainfo" || fail "metadata does not list $t"
done

# The icon at each size the desktop asks for, each picture of its folder's size.
icon=$(key Icon)
for size in 16 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  got=$(identify -format '%wx%h' "$png")
  [ "$got" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $got"
done

man=$root/usr/share/man/man1/vcdplayer.1.gz
[ -f "$man" ] || fail "no manual page"
warnings=$(zcat "$man" | groff -man -Tutf8 -ww -z 2>&1) || fail "groff: $warnings"
[ -z "$warnings" ] || fail "manual page: $warnings"
zcat "$man" | grep -q '^\.SH NAME' || fail "manual page has no NAME section"

# Debian's licence and history files beside the program.
doc=$root/usr/share/doc/voren-vcdplayer
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright" ||
  fail "no machine-readable copyright file"
zcat "$doc/changelog.Debian.gz" | head -1 | grep -q '^voren-vcdplayer (2.2.0-1) ' || fail "no changelog.Debian.gz for 2.2.0-1"

echo "PASS: the installed tree is a desktop program"
