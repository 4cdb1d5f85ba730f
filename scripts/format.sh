#!/usr/bin/env bash
# Formats every source file, or with --check reports those that differ from
# the .clang-format at the root and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cc' '*.h' | grep -v '^data/')
if [ "${1:-}" = "--check" ]; then
    clang-format-14 --dry-run -Werror "${files[@]}"
else
    clang-format-14 -i "${files[@]}"
fi
