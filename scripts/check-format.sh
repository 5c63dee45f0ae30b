#!/usr/bin/env bash
# Checks that every C++ source and header kept in git matches .clang-format
# (clang-format 14). With --fix, formats the files that differ instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fmt=$(command -v clang-format-14 || true)
if [ -z "$fmt" ]; then
  echo "check-format.sh: clang-format-14 not found (Debian package clang-format-14)" >&2
  exit 2
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  "$fmt" -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  "$fmt" --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "check-format.sh: ${#bad[@]} file(s) differ from .clang-format (run scripts/check-format.sh --fix):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "formatting: ${#files[@]} files match .clang-format"
