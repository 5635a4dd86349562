#!/usr/bin/env bash
# Fails when a C++ file of the repository is not laid out as .clang-format says
# and lists those files. Usage: scripts/check_format.sh [--fix]   (--fix reformats them)
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')
if [[ "${1:-}" == "--fix" ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [[ ${#unformatted[@]} -gt 0 ]]; then
  echo "not formatted (scripts/check_format.sh --fix): ${unformatted[*]}"
  exit 1
fi
echo "format check: ${#files[@]} files formatted"
