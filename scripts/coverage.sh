#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the tree with gcc's coverage instrumentation (--coverage, no
# optimisation; counters updated atomically, since the library's threads
# count at once), runs the whole test suite and reports line and branch
# coverage with gcovr. Fails when a test fails, when the library (api/
# html/ emoticons/ download/ fs/ platform/ base/) covers less than 95% of
# its lines or 85% of its branches, or when the tool (cli/) covers less than
# 80% of its branches.
#
#   scripts/coverage.sh            (needs scripts/setup.sh --coverage)
#
# Reports: build-coverage/coverage/{library,cli}.txt (per file) and
# build-coverage/coverage/{library,cli}.html with their pages (line by line).
#
# Branches are counted where the code decides something:
#   --exclude-throw-branches        every call that may throw gives gcc an
#                                   exceptional edge; those are the unwinder's
#                                   paths, not decisions of the code
#   --exclude-unreachable-branches  branches that gcc places on lines without
#                                   code of their own (closing braces, the
#                                   cleanups of a scope)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
build=build-coverage
report=$build/coverage

command -v gcovr > /dev/null || { echo "coverage.sh: gcovr is missing (scripts/setup.sh --coverage)" >&2; exit 2; }

CXX=g++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage > /dev/null
cmake --build "$build" -j"$jobs"

# Counts left by an earlier run would add up with this one's.
find "$build" -name '*.gcda' -delete
# The install tests are left out: they install the build and link clients
# against it, which instrumented binaries (they name their count files by
# the build tree's path) do not allow; scripts/test.sh runs them.
ctest --test-dir "$build" --output-on-failure -j"$jobs" -LE '^install$'


mkdir -p "$report"
# Only this build's count files are read: searching the whole tree would
# follow the Windows builds' Wine prefixes, whose z: drive is the root of the
# file system, into every other build on the machine. CMake's compiler check
# leaves a .gcno of its own, whose source is gone.
gcovr --root . --object-directory "$build" --exclude-directories "$build/CMakeFiles/[0-9.]+/" \
  --exclude-throw-branches --exclude-unreachable-branches --json "$report/all.json" "$build"

status=0
# area NAME MIN_LINES MIN_BRANCHES FOLDER...: the report of those folders,
# failing under the minimums (percent).
area() {
  local name=$1 lines=$2 branches=$3; shift 3
  local filters=() folder
  for folder in "$@"; do filters+=(--filter "$folder/"); done
  echo "== $name: $*"
  if ! gcovr --root . --add-tracefile "$report/all.json" "${filters[@]}" \
       --txt "$report/$name.txt" --html-details "$report/$name.html" \
       --print-summary --fail-under-line "$lines" --fail-under-branch "$branches"; then
    echo "coverage.sh: $name is under its minimum ($lines% of lines, $branches% of branches)" >&2
    status=1
  fi
}
area library 95 85 api html emoticons download fs platform base
area cli 0 80 cli
exit $status
