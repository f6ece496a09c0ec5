#!/usr/bin/env bash
# Builds Ostra (Release, build/release) and starts it from its program
# folder build/release/dist. Installs missing Debian packages first.
# Without a display it runs the program on a private Xvfb, which it stops
# again when the program ends.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

headless=0
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  headless=1
fi

packages=("${OSTRA_BUILD_PACKAGES[@]}")
if ((headless)); then
  packages+=("${OSTRA_HEADLESS_PACKAGES[@]}")
fi
ostra_install_packages "${packages[@]}"

build=$OSTRA_ROOT/build/release
ostra_build "$build" Release
program=$build/dist/ostra
if [[ ! -x $program ]]; then
  echo "error: $program was not built" >&2
  exit 1
fi

if [[ -n ${WAYLAND_DISPLAY:-} ]]; then
  # The window's shape, position and docking need X11: run through XWayland.
  export QT_QPA_PLATFORM=xcb
  if [[ -z ${DISPLAY:-} ]]; then
    echo "warning: Wayland session without XWayland (\$DISPLAY is empty); the program may not start" >&2
  fi
fi

if ((headless)); then
  if ! ostra_start_xvfb; then
    echo "error: could not start Xvfb" >&2
    exit 1
  fi
  trap 'kill "$OSTRA_XVFB_PID" 2>/dev/null || true; wait "$OSTRA_XVFB_PID" 2>/dev/null || true' EXIT
  export DISPLAY=$OSTRA_XVFB_DISPLAY
  echo "No display found: running on a private Xvfb at DISPLAY=$DISPLAY (stopped when the program ends)." >&2
fi

status=0
"$program" || status=$?
exit "$status"
