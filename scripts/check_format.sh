#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that the C++ lines a change adds or modifies follow .clang-format.
# Only those lines are looked at, so that older code is reformatted when it
# is next changed, not all at once.
#
#   scripts/check_format.sh [BASE]   lines changed since BASE (default: the
#                                    merge base with origin/main, else main,
#                                    else the previous commit), plus the
#                                    uncommitted ones
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-}
if [ -z "$base" ]; then
  for candidate in origin/main main HEAD~1; do
    if base=$(git merge-base HEAD "$candidate" 2>/dev/null) && [ "$base" != "$(git rev-parse HEAD)" ]; then
      break
    fi
    base=HEAD
  done
fi
formatter=$(command -v clang-format-diff-14 || command -v clang-format-diff || true)
if [ -z "$formatter" ]; then
  echo "check_format.sh: clang-format-diff is missing (install clang-format)" >&2
  exit 2
fi
changes=$(git diff -U0 --no-color "$base" -- '*.cpp' '*.h' | "$formatter" -p1 || true)
if [ -n "$changes" ]; then
  echo "$changes"
  echo "check_format.sh: the lines above do not follow .clang-format (changes since ${base:0:12})" >&2
  exit 1
fi
echo "format: the C++ lines changed since ${base:0:12} follow .clang-format"
