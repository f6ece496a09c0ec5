# shellcheck shell=bash
# shellcheck disable=SC2034 # the lists are read by the scripts that source this
# The Debian packages Ostra needs, in one place. Sourced by scripts/run.sh
# (build and run) and scripts/test.sh (everything).
#
# qt6-svg-dev also answers to the virtual name libqt6svg6-dev; only the real
# name is listed, because dpkg-query never reports a virtual name installed.

# To build and run the program.
OSTRA_BUILD_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-svg-dev qt6-multimedia-dev libgl-dev
  libcanberra-dev libcanberra-pulse libglib2.0-dev libxcb1-dev libxcb-render0-dev libxcb-res0-dev libsystemd-dev sound-theme-freedesktop fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  # the widget tests switch Qt's accessibility on through its platform API
  qt6-base-private-dev
)

# To build the Debian package (scripts/package.sh): dpkg-shlibdeps, and
# file, which CPack asks which installed files are programs.
OSTRA_PACKAGE_PACKAGES=(dpkg-dev file)

# To run the program on a machine without a display (scripts/run.sh starts
# a private X server then).
OSTRA_HEADLESS_PACKAGES=(xvfb xauth x11-utils)

# To run the tests: X server and tools, window manager, tray hosts, sound
# server, D-Bus and the helpers the end-to-end scripts call.
OSTRA_TEST_PACKAGES=(
  xvfb xauth xdotool x11-utils imagemagick openbox trayer
  pulseaudio pulseaudio-utils sox
  dbus-daemon dbus-x11 python3 python3-dbus python3-gi at-spi2-core python3-pyatspi
  haskell-gtk-sni-tray-utils haskell-status-notifier-item-utils
  time shared-mime-info iproute2
  # the format check of the sources (scripts/format-check.sh)
  clang-format
  # the package test: build, check and install the Debian package, start
  # its menu entry
  dpkg-dev file desktop-file-utils appstream lintian libglib2.0-bin
  # the export to the fleet's tools: node_exporter's textfile collector, the
  # Prometheus server and promtool (the rule file's checks); unshare for
  # the journal stand-in's private mount namespace, logger as its client
  prometheus prometheus-node-exporter curl util-linux bsdutils
)

# For the footprint benchmark (bench/footprint.sh installs them itself):
# conky as a yardstick, and the private display, tray hosts and bus it runs
# them on.
OSTRA_BENCH_PACKAGES=(
  conky-std
  xvfb xauth x11-utils xdotool trayer haskell-gtk-sni-tray-utils dbus-daemon python3
)

# Prints the given packages that are not installed, one a line.
ostra_missing_packages() {
  local installed p
  # One dpkg-query for all; unknown names are simply not listed.
  installed=" $(dpkg-query -W -f='${Package}:${Status}\n' "$@" 2>/dev/null |
    awk -F: '/ installed$/ {printf "%s ", $1}' || true)"
  for p in "$@"; do
    [[ $installed == *" $p "* ]] || echo "$p"
  done
}

# Installs whichever of the given packages are missing. Does not touch apt
# at all when everything is there.
ostra_install_packages() {
  local missing
  mapfile -t missing < <(ostra_missing_packages "$@")
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  echo "Installing missing packages: ${missing[*]}" >&2
  local sudo=()
  if ((EUID != 0)); then
    if command -v sudo >/dev/null; then
      sudo=(sudo)
    else
      echo "error: not root and no sudo; install these packages first: ${missing[*]}" >&2
      return 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
}
