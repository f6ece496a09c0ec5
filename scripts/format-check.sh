#!/usr/bin/env bash
# Checks that the sources under src/ are formatted as .clang-format says,
# with Debian 12's clang-format (version 14; other versions break lines
# differently). Names every file it would change and exits 1; exits 0 when
# there is nothing to change.
#
#   scripts/format-check.sh          check
#   scripts/format-check.sh --fix    format those files in place
#
# Environment: CLANG_FORMAT (default clang-format).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cf=${CLANG_FORMAT:-clang-format}
if ! command -v "$cf" >/dev/null; then
  echo "error: $cf not found (Debian package clang-format)" >&2
  exit 2
fi
cd "$root" || exit 2
mapfile -d '' files < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
if ((${#files[@]} == 0)); then
  echo "error: no sources under $root/src" >&2
  exit 2
fi
if [[ ${1:-} == --fix ]]; then
  exec "$cf" -i --style=file "${files[@]}"
fi

out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$cf" --dry-run --Werror --style=file "${files[@]}" >"$out" 2>&1
rc=$?
if ((rc == 0)) && [[ ! -s $out ]]; then
  echo "$("$cf" --version): nothing to change in ${#files[@]} files under src/"
  exit 0
fi
# "src/x.cpp:12:5: error: code should be clang-formatted [...]", then the
# line and a caret: one place per change.
echo "$("$cf" --version) would change these files (places per file):"
grep -oE '^src/[^:]+:[0-9]+:[0-9]+: error' "$out" | cut -d: -f1 | sort | uniq -c
echo "The first places:"
head -n 30 "$out"
echo "To format them: scripts/format-check.sh --fix"
exit 1
