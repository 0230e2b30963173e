#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows build with MinGW-w64: the 32-bit build (the shipping one) and
# the 64-bit build, each with tessel.dll, its import library, tessel.exe and
# the test executables. Checks the DLL's export table against the list kept
# in cmake/, then runs the tests of every architecture under its Wine
# (/usr/lib/wine/wine for 32-bit, /usr/lib/wine/wine64 for 64-bit). A Wine
# that is missing or does not run fails the script like a failed test.
#
#   scripts/windows.sh [--allow-no-ia32] [i686|x86_64 ...]   (default: both)
#
# --allow-no-ia32: where the kernel itself refuses 32-bit programs (its IA-32
# emulation is off, as on some virtual machines), the 32-bit tests are
# reported as NOT RUN, with that reason, instead of failing the script. A
# missing or broken Wine still fails it.
#
# Build trees: build-windows-i686/, build-windows-x86_64/; the executables and
# the DLL are in their bin/. Needs `scripts/setup.sh --windows`. Tests run
# in build-windows-<arch>/wineprefix; their full output is in
# build-windows-<arch>/wine-tests.log.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
allow_no_ia32=false
if [ "${1:-}" = --allow-no-ia32 ]; then
  allow_no_ia32=true
  shift
fi
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(i686 x86_64)

declare -A loader=([i686]=/usr/lib/wine/wine [x86_64]=/usr/lib/wine/wine64)
wineserver=/usr/lib/wine/wineserver
summary=()
status=0

# Runs a command in a network namespace of its own when one can be made, so
# that the tests' servers on 127.x.y.z:80 cannot meet those of other test
# runs on the machine.
isolated() {
  if unshare -n true 2>/dev/null && command -v ip > /dev/null; then
    unshare -n bash -c 'ip link set lo up && exec "$@"' isolated "$@"
  else
    "$@"
  fi
}

# Prints nothing and succeeds when the Wine loader runs; otherwise prints why
# it does not and fails: with status 2 when the kernel refuses 32-bit
# programs, 1 otherwise.
check_wine() {
  local loader=$1 output
  if [ ! -e "$loader" ]; then
    echo "$loader is missing (install it with 'scripts/setup.sh --windows')"
  elif output=$("$loader" --version 2>&1); then
    return 0
  elif [[ $output == *"Exec format error"* ]]; then
    echo "$loader is installed, but this machine's kernel does not execute 32-bit programs" \
         "(its IA-32 emulation is off: see dmesg)"
    return 2
  else
    echo "$loader is installed but does not run: ${output%%$'\n'*}"
  fi
  return 1
}

# Sums the GoogleTest results of every test executable in a verbose ctest
# log, and counts the other ctest tests (export check, tool runs).
count() {
  local log=$1 word sum
  local -A total
  for word in PASSED FAILED SKIPPED; do
    total[$word]=$(grep -oE "\[  $word +\] [0-9]+ test" "$log" | awk '{s += $(NF - 1)} END {print s + 0}')
  done
  sum="${total[PASSED]} passed, ${total[FAILED]} failed, ${total[SKIPPED]} skipped"
  echo "$sum (GoogleTest cases); $(grep -E 'tests passed, .* failed out of' "$log")"
}

for arch in "${arches[@]}"; do
  dir=build-windows-$arch
  echo "== Windows $arch: build"
  cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release > /dev/null
  cmake --build "$dir" -j"$jobs"

  echo "== Windows $arch: exports"
  bash scripts/check_exports.sh "$dir/bin/tessel.dll" "cmake/tessel-exports-$arch.txt" \
       "$arch-w64-mingw32-objdump"

  wine_status=0
  reason=$(check_wine "${loader[$arch]}") || wine_status=$?
  if [ $wine_status -ne 0 ]; then
    echo "windows.sh: $arch tests cannot run: $reason" >&2
    [ $wine_status -eq 2 ] && $allow_no_ia32 || status=1
    summary+=("$arch: built, exports checked, tests NOT RUN: $reason")
    continue
  fi

  echo "== Windows $arch: tests under Wine"
  export WINEPREFIX=$PWD/$dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  "$wineserver" -k 2> /dev/null || true
  log=$dir/wine-tests.log
  # The first start creates the Wine prefix; the server then stays up for
  # all the tests. The full output goes to the log, failures to the console.
  if isolated bash -c '"$2" cmd /c exit > /dev/null 2>&1; "$1" -p;
                       ctest --test-dir "$3" -V -j"$5" > "$4" 2>&1; rc=$?;
                       grep -E "^ *[0-9]+/[0-9]+ Test|tests passed|^ +[0-9]+ - " "$4";
                       [ $rc -eq 0 ] || ctest --test-dir "$3" --rerun-failed --output-on-failure;
                       "$1" -k; exit $rc' \
       run "$wineserver" "${loader[$arch]}" "$dir" "$log" "$jobs"; then
    summary+=("$arch: $(count "$log") (Wine $("${loader[$arch]}" --version))")
  else
    status=1
    summary+=("$arch: $(count "$log"), some tests FAILED")
  fi
done

echo "== Windows summary"
printf '%s\n' "${summary[@]}"
exit $status
