#!/usr/bin/env bash
# Builds and tests Ostra. Installs missing Debian packages, then
#   build/release  Release, tests and benchmarks: every test (unit, gui,
#                  end-to-end on private Xvfb servers, benchmark smoke runs,
#                  the source checks labelled lint)
#   build/asan     RelWithDebInfo with AddressSanitizer and UBSan: the unit
#                  and widget tests
# Exits non-zero if a build or any test fails. Works as root on a fresh
# Debian 12 machine without a display.
#
# Environment: OSTRA_TEST_JOBS (ctest -j, default 1).
set -uo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

ostra_install_packages "${OSTRA_BUILD_PACKAGES[@]}" "${OSTRA_TEST_PACKAGES[@]}" || {
  echo "error: could not install the packages" >&2
  exit 1
}

# Leak checking is off: Qt keeps some allocations until exit by design, and
# LeakSanitizer cannot run under ptrace-restricted containers. The
# sanitizers still stop on every memory error and undefined behaviour. The
# test binaries also run at build time (test discovery), so this has to be
# set before building.
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Widget tests and test discovery need no X server.
export QT_QPA_PLATFORM=offscreen
jobs=${OSTRA_TEST_JOBS:-1}

stages=()   # "name|result|details"
total_passed=0
total_failed=0
failed=0

log_dir=$OSTRA_ROOT/build/test-logs
mkdir -p "$log_dir"

# run_ctest NAME BUILD_DIR [ctest options...]
run_ctest() {
  local name=$1 dir=$2
  shift 2
  local log=$log_dir/$name.log
  echo
  echo "=== ctest: $name ==="
  local rc=0
  # A test that fails is run once more before it counts as failed: the
  # end-to-end tests share one machine's X servers, buses and memory with
  # whatever else runs, and a loaded machine can miss a deadline once. The
  # log keeps both runs, so a test that needed the second shows.
  (cd "$dir" && ctest --output-on-failure --no-tests=error --timeout 600 --repeat until-pass:2 -j "$jobs" "$@") 2>&1 |
    tee "$log" || rc=$?
  # "NN% tests passed, F tests failed out of T"
  local line t f
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -n $line ]]; then
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
    t=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$line")
    total_passed=$((total_passed + t - f))
    total_failed=$((total_failed + f))
    if ((rc != 0)); then
      failed=1
      stages+=("$name|FAILED|$((t - f)) of $t passed")
    else
      stages+=("$name|ok|$t of $t passed")
    fi
  else
    failed=1
    total_failed=$((total_failed + 1))
    stages+=("$name|FAILED|ctest ran no test (exit $rc), see $log")
  fi
}

# build_stage NAME DIR TYPE [cmake options...]
build_stage() {
  local name=$1 dir=$2 type=$3
  shift 3
  echo
  echo "=== build: $name ($type, $dir) ==="
  if ostra_build "$dir" "$type" "$@"; then
    stages+=("build $name|ok|")
    return 0
  fi
  failed=1
  total_failed=$((total_failed + 1))
  stages+=("build $name|FAILED|see the compiler output above")
  return 1
}

release=$OSTRA_ROOT/build/release
asan=$OSTRA_ROOT/build/asan

if build_stage release "$release" Release -DOSTRA_SANITIZE=OFF -DOSTRA_BUILD_TESTS=ON -DOSTRA_BUILD_BENCH=ON; then
  run_ctest release "$release"
fi
if build_stage asan "$asan" RelWithDebInfo -DOSTRA_SANITIZE=ON -DOSTRA_BUILD_TESTS=ON; then
  run_ctest asan "$asan" -L 'unit|gui'
fi

echo
echo "=============== Summary ==============="
for s in "${stages[@]}"; do
  IFS='|' read -r name result details <<<"$s"
  printf '  %-16s %-7s %s\n' "$name" "$result" "$details"
done
echo "  ctest logs: $log_dir"
echo "Summary: $total_passed passed, $total_failed failed"
if ((failed)); then
  echo "RESULT: FAILED"
  exit 1
fi
echo "RESULT: all passed"
