#!/usr/bin/env bash
# Installs what Tessel needs from Debian's packages. Safe to run again: it
# only calls apt-get when a package is missing. Run as root (or with sudo).
#
#   scripts/setup.sh            build, tests and command-line tool
#   scripts/setup.sh --windows  also MinGW-w64 and Wine for the Windows build
#   scripts/setup.sh --bench    also the peers of the benchmarks (Qt, gumbo, libxml2, libpurple),
#                               valgrind for profiling and python3 for the report
#   scripts/setup.sh --fuzz     also clang's libFuzzer runtime
#   scripts/setup.sh --qt       also Qt and Xvfb for the rendering check and the viewer,
#                               and fonts for its Chinese and emoji text
#   scripts/setup.sh --coverage also gcovr for the coverage report (scripts/coverage.sh)
set -euo pipefail

packages=(cmake make g++ pkg-config librapidxml-dev libcurl4-openssl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev)
for mode in "$@"; do
  case "$mode" in
    --windows) packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 iproute2) ;;
    --bench)   packages+=(qtbase5-dev libgumbo-dev libxml2-dev libpurple-dev curl heaptrack valgrind python3) ;;
    --fuzz)    packages+=(clang libclang-rt-dev) ;;
    --qt)      packages+=(qtbase5-dev xvfb xauth fonts-wqy-microhei fonts-noto-color-emoji) ;;
    --coverage) packages+=(gcovr) ;;
    *) echo "setup.sh: unknown option '$mode'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
