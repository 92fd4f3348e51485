#!/usr/bin/env bash
# Formats our C++ sources with the committed .clang-format, or with --check
# reports every file that differs (CI runs the check).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^build')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "formatting: ${#files[@]} files as .clang-format says"
else
  clang-format -i "${files[@]}"
fi
