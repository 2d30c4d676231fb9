#!/usr/bin/env bash
# Builds the Debian package from the build folder (cpack -G DEB, into a temporary folder), checks
# its control fields and that its dependencies cover every library the packaged program links,
# unpacks it into a temporary root (dpkg -x) and starts the installed program under Xvfb with a
# disc image: it must open its window, play the disc, and carry the window class its launcher
# names.
#   deb_installs_and_runs.sh BUILD_DIR DISC.cue OUTDIR
set -euo pipefail
build=$1 disc=$2 out=$3
log=$out/deb-player.log
mkdir -p "$out"
: >"$log"
source "$(dirname "$(readlink -f "$0")")/../e2e/lib.sh"
e2e_session "$0" "$@"

work=$(mktemp -d)
e2e_cleanup() { rm -rf "$work"; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not build the package"; }
debs=("$work"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }

[ "$(field Package)" = voren-vcdplayer ] || fail "package name $(field Package)"
[ "$(field Version)" = 2.2.0-1 ] || fail "version $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture $(field Architecture)"
depends=$(field Depends)
echo "Depends: $depends"

# Every dependency names a real Debian package that this machine has, in a version it satisfies
# (the first of alternatives).
IFS=',' read -ra deps <<<"$depends"
for dep in "${deps[@]}"; do
  first=${dep%%|*}
  name=$(awk '{print $1}' <<<"$first")
  have=$(dpkg-query -W -f='${Version}' "$name" 2>/dev/null) || fail "dependency $name is not a package here"
  # A virtual package (Qt's private ABI): an installed package provides it, in its own version.
  [ -n "$have" ] || have=$(dpkg-query -W -f='${db:Status-Abbrev} ${Provides}\n' | grep '^ii' | cut -c5- | tr ',' '\n' |
    sed -n "s/^ *$name (= \(.*\))\$/\1/p" | head -n1)
  [ -n "$have" ] || fail "no package here provides $name"
  if [[ $first =~ \(([<>=]+)\ *([^\)]+)\) ]]; then
    op=${BASH_REMATCH[1]} want=${BASH_REMATCH[2]}
    case $op in '>=') rel=ge ;; '<=') rel=le ;; '=') rel=eq ;; '>>') rel=gt ;; '<<') rel=lt ;; esac
    dpkg --compare-versions "$have" "$rel" "$want" || fail "$name $have does not satisfy $op $want"
  fi
done

dpkg -x "$deb" "$work/root"
installed=$work/root/usr/bin/vcdplayer
[ -x "$installed" ] || fail "the package holds no usr/bin/vcdplayer"
for f in usr/share/applications/org.example.voren.vcdplayer.desktop \
         usr/share/metainfo/org.example.voren.vcdplayer.metainfo.xml \
         usr/share/icons/hicolor/48x48/apps/org.example.voren.vcdplayer.png \
         usr/share/man/man1/vcdplayer.1.gz \
         usr/share/doc/voren-vcdplayer/copyright usr/share/doc/voren-vcdplayer/changelog.Debian.gz; do
  [ -f "$work/root/$f" ] || fail "the package holds no $f"
done

# The program (its launcher and the library that holds the player, private to the package)
# carries Debian's hardening: relocations read-only and bound at start, checked buffer functions.
library=$(find "$work/root/usr/lib" -path '*/vcdplayer/libvcdplayer.so' | head -n1)
[ -n "$library" ] || fail "the package holds no usr/lib/.../vcdplayer/libvcdplayer.so"
for object in "$installed" "$library"; do
  segments=$(readelf -lW "$object") dynamic=$(readelf -dW "$object") symbols=$(readelf -sW --dyn-syms "$object")
  grep -q GNU_RELRO <<<"$segments" || fail "$object has no read-only relocations (relro)"
  grep -Eq 'BIND_NOW|FLAGS.*\bNOW\b' <<<"$dynamic" || fail "$object is not bound at start (bindnow)"
  grep -q '__[a-z]*_chk' <<<"$symbols" || fail "$object uses no fortified functions"
done

# Each library the program links comes from a package that the package depends on.
dep_names=" $(sed -E 's/\([^)]*\)//g; s/[,|]/ /g' <<<"$depends" | xargs) "
while read -r lib path; do
  [ -n "$path" ] || fail "$lib is not found here"
  owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null || dpkg -S "$path" 2>/dev/null) || fail "no package owns $path"
  owner=${owner%%:*}
  [[ $dep_names == *" $owner "* ]] || fail "$lib comes from $owner, which the package does not depend on"
done < <(readelf -d "$installed" "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u |
         while read -r lib; do echo "$lib $(ldconfig -p | awk -v l="$lib" '$1 == l {print $NF; exit}')"; done)

# The installed program plays the disc image in its own window.
player=$installed
start_player "$disc"
wait_for 120 window_origin || fail "the installed program shows no window \"$title\" within 120 s"
wait_until_the_disc_shows
window_shot "$out/deb-playing.png"

# The desktop groups the window under its launcher by the window's class.
wmclass=$(sed -n 's/^StartupWMClass=//p' "$work/root/usr/share/applications/org.example.voren.vcdplayer.desktop")
id=$(xwininfo -name "$title" | awk '/Window id:/ {print $4}')
xprop -id "$id" WM_CLASS | grep -q "\"$wmclass\"" || fail "window class $(xprop -id "$id" WM_CLASS), launcher says $wmclass"

echo "Screenshot of the installed program's window: $out/deb-playing.png"
echo "PASS: the Debian package installs a program that plays the disc image"
