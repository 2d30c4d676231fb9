#!/usr/bin/env bash
# Runs the README's test command (scripts/test.sh) on Debian 13 "trixie": Qt 6.8, libmpv 0.40,
# libcdio 2.2, g++ 14. The chroot is made once with debootstrap from the Debian archive and kept
# under build-debian13/ (delete that folder for a fresh one); the checkout's files are copied in
# anew on every run, and the chroot's own build folders are kept, so a second run only rebuilds
# what changed. Needs root (debootstrap, chroot, mounts). Arguments go to scripts/test.sh (and
# from there to ctest), e.g. `scripts/test-on-debian13.sh -R Engine`.
#
#   VCD_DEBIAN_MIRROR   the archive to use (default http://deb.debian.org/debian)
#   VCD_DEBIAN13_SHELL  set to 1 for a shell in the chroot instead of the tests
#   VCD_TEST_SKIP_SANITIZERS  set to 1 to leave out the sanitizer build and its run
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
base=$top/build-debian13
root=$base/root
mirror=${VCD_DEBIAN_MIRROR:-http://deb.debian.org/debian}
inside=/work/vcdplayer

if [ "$(id -u)" -ne 0 ]; then
  echo "test-on-debian13: run as root (debootstrap, chroot and mounts need it)" >&2
  exit 1
fi
command -v debootstrap >/dev/null || { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap; }
command -v rsync >/dev/null || { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y rsync; }
command -v ip >/dev/null || { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y iproute2; }

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[$i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT INT TERM

mountIn() {  # mountIn TARGET mount-arguments...
  local target=$root/$1
  shift
  mkdir -p "$target"
  mountpoint -q "$target" && return 0
  mount "$@" "$target"
  mounted+=("$target")
}

if [ ! -e "$base/.ready" ]; then
  rm -rf "$root"
  mkdir -p "$root"
  echo "test-on-debian13: making the Debian 13 chroot in $root (once)"
  debootstrap --variant=minbase --include=ca-certificates,git,sudo trixie "$root" "$mirror"
  printf 'Types: deb\nURIs: %s\nSuites: trixie trixie-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" > "$root/etc/apt/sources.list.d/debian.sources"
  rm -f "$root/etc/apt/sources.list"
  touch "$base/.ready"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

# What the tests need from the kernel: processes, devices, shared memory for Xvfb, pseudo-terminals.
mountIn proc -t proc proc
mountIn sys -t sysfs sysfs
mountIn dev --bind /dev
mount --make-rslave "$root/dev"
mountIn dev/pts -t devpts -o newinstance,ptmxmode=0666 devpts
mountIn dev/shm -t tmpfs -o mode=1777 shm
mountIn tmp -t tmpfs -o mode=1777 tmp

# The checkout as it stands (tracked and new files, not what git ignores), without build output;
# files since deleted from the checkout go from the copy too (a test file left behind would
# still be built). What git ignores is left alone on both sides, so the chroot's builds stay.
# Files are compared by their contents and a changed one is written with the time of the copy,
# not its own: a file edited after an earlier run had copied it, but before that run's build
# had compiled the older copy, would otherwise look older than its object and not be rebuilt.
mkdir -p "$root$inside"
rsync -a --no-times --checksum --delete --exclude=/.git --filter=':- .gitignore' ./ "$root$inside/"

if [ "${VCD_DEBIAN13_SHELL:-}" = 1 ]; then
  chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-xterm}" PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd $inside && exec bash -i"
  exit
fi
# Packages first, with the network (a no-op once everything is installed).
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd "$0" && exec scripts/setup-deps.sh' "$inside"
# The tests in a network namespace of their own (loopback only): their X servers and buses cannot
# meet those of the machine, whose abstract sockets a chroot would otherwise share.
unshare --net bash -c 'ip link set lo up 2>/dev/null || true; exec "$@"' unshare \
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin \
  VCD_TEST_SKIP_SANITIZERS="${VCD_TEST_SKIP_SANITIZERS:-}" \
  bash -c 'cd "$0" && exec scripts/test.sh "$@"' "$inside" "$@"
