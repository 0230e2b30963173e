#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every test program of a normal (uninstrumented) build under valgrind
# memcheck. The objects that the library keeps for the life of the process
# are "still reachable" by design and do not count; any memory error and any
# definite or indirect leak fails the run.
#
#   scripts/valgrind.sh            all test programs
#   scripts/valgrind.sh NAME...    only these (e.g. tokenizer_test)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-valgrind
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j"$(nproc)" > /dev/null

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in tests/*_test.cpp tests/cli/*_test.cpp; do
    [ -f "$f" ] && names+=("$(basename "$f" .cpp)")
  done
fi

# valgrind's own reports go to one log per process (the tool's child
# processes included), so that they are told apart from failing tests.
logs=$PWD/$build/valgrind-logs
rm -rf "$logs" && mkdir -p "$logs"
memcheck=(valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect
          --show-leak-kinds=definite,indirect --error-exitcode=1 --num-callers=30)
dirty=() failing=()
for name in "${names[@]}"; do
  program=$build/tests/$name
  [ -x "$program" ] || { echo "valgrind.sh: no test program $program" >&2; exit 2; }
  extra=()
  # The command-line tool runs in child processes: check those too.
  [ "$name" = cli_test ] && extra=(--trace-children=yes)
  echo "== $name"
  start=$SECONDS
  status=0
  (cd "$build/tests" && "${memcheck[@]}" "${extra[@]}" --log-file="$logs/$name.%p.log" \
     "./$name" --gtest_brief=1) || status=$?
  find "$logs" -name "$name.*.log" -empty -delete
  if compgen -G "$logs/$name.*.log" > /dev/null; then
    cat "$logs/$name".*.log
    echo "   MEMCHECK ERRORS (logs in $logs)"
    dirty+=("$name")
  elif [ $status -ne 0 ]; then
    echo "   memcheck clean, but tests FAILED ($((SECONDS - start))s)"
    failing+=("$name")
  else
    echo "   clean ($((SECONDS - start))s)"
  fi
done

[ ${#dirty[@]} -eq 0 ] || echo "valgrind.sh: memory errors or leaks in: ${dirty[*]}" >&2
[ ${#failing[@]} -eq 0 ] || echo "valgrind.sh: failing tests in: ${failing[*]}" >&2
[ ${#dirty[@]} -eq 0 ] && [ ${#failing[@]} -eq 0 ]
