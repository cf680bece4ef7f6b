#!/usr/bin/env bash
# Formats every tracked C++ file with the root .clang-format and every Python file with black
# (settings in pyproject.toml); --check only reports, and fails on any file that is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t cpp < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
mapfile -t python < <(git ls-files --cached --others --exclude-standard -- '*.py')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run -Werror "${cpp[@]}"
  black --check --quiet "${python[@]}"
else
  clang-format -i "${cpp[@]}"
  black --quiet "${python[@]}"
fi
