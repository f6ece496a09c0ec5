# shellcheck shell=bash
# Runs the test script that sources this (before lib.sh) once more inside a
# private mount namespace (unshare -m --propagation private), where it may
# mount over the machine's folders -- a tmpfs over /run/systemd/journal for
# the journal stand-in -- without the machine seeing any of it.
#
# The outer run only waits for the inner one and then checks that the
# machine's /run/systemd/journal (and its parent, whose listing would change
# if the folder had been made there) is exactly as before; a difference
# fails the test even when the inner run passed.
#
# Needs root (mount namespaces without a user namespace); skipped with
# status 77 otherwise.

if [[ ${OSTRA_E2E_PRIVATE_MOUNTS:-} != 1 ]]; then
  e2e__journal_state() {
    local d
    for d in /run/systemd /run/systemd/journal; do
      if [[ -e $d ]]; then
        stat -c '%n %F %i %a %U %Y' "$d"
        ls -la --time-style=full-iso "$d"
      else
        echo "$d absent"
      fi
    done
  }
  if ((EUID != 0)); then
    echo "SKIP [$(basename "$0" .sh)]: a private mount namespace needs root"
    exit 77
  fi
  e2e__before=$(e2e__journal_state)
  e2e__rc=0
  OSTRA_E2E_PRIVATE_MOUNTS=1 unshare -m --propagation private bash "$0" "$@" || e2e__rc=$?
  e2e__after=$(e2e__journal_state)
  if [[ $e2e__before != "$e2e__after" ]]; then
    echo "FAIL [$(basename "$0" .sh)]: the machine's /run/systemd/journal changed during the test" >&2
    diff <(echo "$e2e__before") <(echo "$e2e__after") >&2
    exit 1
  fi
  exit "$e2e__rc"
fi
