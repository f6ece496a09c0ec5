#!/usr/bin/env bash
# Builds the Debian package of Ostra (CPack; dependencies from dpkg-shlibdeps)
# and prints its path on the last line.
#
#   scripts/package.sh                    configures and builds build/package
#                                         (Release, no tests), package there
#   scripts/package.sh BUILD [OUT]        packages the configured build folder
#                                         BUILD, writing the package to OUT
#                                         (default BUILD)
#
# Install it with `sudo apt install ./ostra_<version>_<arch>.deb` (or
# `dpkg -i`). The package always installs under /usr.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

ostra_install_packages "${OSTRA_BUILD_PACKAGES[@]}" "${OSTRA_PACKAGE_PACKAGES[@]}"

build=${1:-}
if [[ -z $build ]]; then
  build=$OSTRA_ROOT/build/package
  ostra_build "$build" Release -DOSTRA_BUILD_TESTS=OFF -DOSTRA_BUILD_BENCH=OFF
else
  [[ -f $build/CPackConfig.cmake ]] || {
    echo "error: $build is no configured build folder (no CPackConfig.cmake)" >&2
    exit 1
  }
  cmake --build "$build" -j2
fi
build=$(cd "$build" && pwd)
out=${2:-$build}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# CPack keeps its staging folder beside the package.
(cd "$out" && cpack --config "$build/CPackConfig.cmake" -B "$out" >&2)
deb=$(find "$out" -maxdepth 1 -name 'ostra_*.deb' -newer "$build/CPackConfig.cmake" -printf '%T@ %p\n' |
  sort -n | tail -n 1 | cut -d' ' -f2-)
[[ -n $deb ]] || {
  echo "error: cpack made no package in $out" >&2
  exit 1
}
echo "$deb"
