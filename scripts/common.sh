# shellcheck shell=bash
# shellcheck disable=SC2034 # OSTRA_XVFB_* are read by the caller
# Helpers shared by the scripts in this folder. Source it; it sets
# OSTRA_ROOT to the checkout's top folder.

OSTRA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/packages.sh
. "$OSTRA_ROOT/scripts/packages.sh"

# ostra_build DIR BUILD_TYPE [cmake options...]
# Configures DIR (Ninja when ninja is installed, else Unix Makefiles; an
# already configured folder keeps its generator) and builds it with -j2.
ostra_build() {
  local dir=$1 type=$2
  shift 2
  local gen=()
  if [[ ! -f $dir/CMakeCache.txt ]]; then
    if command -v ninja >/dev/null; then
      gen=(-G Ninja)
    else
      gen=(-G "Unix Makefiles")
    fi
  fi
  cmake -S "$OSTRA_ROOT" -B "$dir" "${gen[@]}" -DCMAKE_BUILD_TYPE="$type" "$@" &&
    cmake --build "$dir" -j2
}

# ostra_require_tools TOOL...: exits with a message naming the packages
# when one of the tools is missing.
ostra_require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || {
      echo "error: $tool is missing (packages: ${OSTRA_TEST_PACKAGES[*]})" >&2
      exit 1
    }
  done
}

# ostra_require_program DIST: exits when DIST holds no built program.
ostra_require_program() {
  [[ -x $1/ostra ]] || {
    echo "error: no program in $1 (build it first)" >&2
    exit 1
  }
}

# ostra_start_xvfb: starts a private Xvfb on the first free display number
# (one with neither /tmp/.XN-lock nor /tmp/.X11-unix/XN) from 90 on, waits
# until it answers and sets OSTRA_XVFB_PID and OSTRA_XVFB_DISPLAY (":N").
# Returns non-zero when no server could be started.
ostra_start_xvfb() {
  local n tries
  for ((n = 90; n < 400; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    OSTRA_XVFB_PID=$!
    for ((tries = 0; tries < 100; tries++)); do
      if ! kill -0 "$OSTRA_XVFB_PID" 2>/dev/null; then
        break # lost a race for this number, or it failed: try the next
      fi
      # The server on :N must be ours, not one that won the number meanwhile.
      if [[ $(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock") == "$OSTRA_XVFB_PID" ]] &&
        xdpyinfo -display ":$n" >/dev/null 2>&1; then
        OSTRA_XVFB_DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$OSTRA_XVFB_PID" 2>/dev/null || true
    wait "$OSTRA_XVFB_PID" 2>/dev/null || true
  done
  OSTRA_XVFB_PID=
  return 1
}
