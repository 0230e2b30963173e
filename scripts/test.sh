#!/usr/bin/env bash
# Builds and runs the whole test suite: a normal build (with the install and
# Debian package tests) and its API reference, then the same tests built
# with AddressSanitizer + UndefinedBehaviorSanitizer, then the download tests
# built with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > /dev/null
  cmake --build "$dir" -j"$jobs"
}

echo "== normal build"
build build
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== API reference (fails on any Doxygen warning)"
cmake --build build --target docs

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
build build-asan -DTESSEL_SANITIZE=address
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer (download and thread tests)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSEL_SANITIZE=thread -DTESSEL_BUILD_CLI=OFF > /dev/null
cmake --build build-tsan -j"$jobs" --target http_test download_test rich_text_download_test threads_test
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j"$jobs" -L 'download|http|threads'
