#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the player need, on Debian 12
# "bookworm" and Debian 13 "trixie" alike (the names below exist, or are provided, on both).
# Idempotent: installs only what is missing. As a normal user it prints the command to run.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6opengl6-dev libxcb1-dev libgl-dev libmpv-dev libcdio-dev
  # keeping the session awake without a screen-saver service: X's screen-saver extension, and
  # Wayland's idle-inhibit protocol on the window's surface (Qt's private native interface)
  libxcb-screensaver0-dev wayland-protocols qt6-base-private-dev
  # run: GL under X11, the window's fonts
  libgl1-mesa-dri libglx-mesa0 qt6-qpa-plugins fonts-wine fonts-liberation2 fonts-dejavu-core
  # test media, tests and screenshots
  ffmpeg vcdimager googletest libgtest-dev libgmock-dev xvfb xauth x11-utils imagemagick openbox xdotool wmctrl
  # the X server's screen saver in the tests: set it (xset), read its state (xssstate)
  x11-xserver-utils suckless-tools
  # the installed tree and the Debian package: launcher, AppStream and manual page checks;
  # dpkg-shlibdeps computes the package's dependencies
  desktop-file-utils appstream appstream-util groff-base dpkg-dev file
  # a desktop's sound setup without its server running: PipeWire's client configuration (or its
  # library complains on every start); the terminal tests give ALSA a null default device
  pipewire
  # a session bus of the test's own (screen saver, media keys), the accessibility bus on it, pyatspi
  at-spi2-core dbus-daemon python3-pyatspi
  # MPRIS as the desktop's media applets and playerctl see it
  playerctl
  # Wayland: the player's Wayland platform, a headless compositor with XWayland for the tests, its
  # screenshots and keys, and the client library (the player's idle inhibitor, the tests' virtual pointer)
  qt6-wayland sway xwayland grim wtype libwayland-dev libxkbcommon-dev
  # what a user of such a compositor runs to blank an idle session, in the idle-inhibit test
  swayidle
)

# Names that an installed package provides count as installed (Debian 13's qt6-base-dev provides
# libqt6opengl6-dev, a package of its own on Debian 12).
provided=" $(dpkg-query -W -f='${db:Status-Abbrev} ${Provides}\n' 2>/dev/null | grep '^ii' | cut -c5- |
  tr ',' '\n' | sed 's/(.*)//; s/:any//' | tr -d ' ' | tr '\n' ' ') "
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" && continue
  [[ $provided == *" $p "* ]] && continue
  missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "These packages are missing: ${missing[*]}"
  echo "Install them with:"
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}"
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
