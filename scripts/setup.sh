#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what Tessel needs from Debian's packages. Safe to run again: it
# only calls apt-get when a package is missing. Run as root (or with sudo).
#
#   scripts/setup.sh            build, tests, command-line tool, API reference (doxygen)
#                               and the Debian package (dpkg-dev, file)
#   scripts/setup.sh --windows  also MinGW-w64 and Wine for the Windows builds: 64-bit Wine and
#                               32-bit Wine (wine32:i386, which adds dpkg's i386 architecture),
#                               and unzip for the package check
#   scripts/setup.sh --bench    also the peers of the benchmarks (Qt, gumbo, libxml2, libpurple),
#                               valgrind for profiling and python3 for the report
#   scripts/setup.sh --fuzz     also clang's libFuzzer runtime
#   scripts/setup.sh --qt       also Qt 6 and Qt 5 for the Qt companion, the rendering check and
#                               the viewer (qt6-base-dev brings what Qt 6's CMake package needs:
#                               the OpenGL and Vulkan headers, moc, the offscreen platform), Xvfb,
#                               and fonts for the Chinese and emoji text
#   scripts/setup.sh --coverage also gcovr for the coverage report (scripts/coverage.sh)
set -euo pipefail

packages=(cmake make g++ pkg-config librapidxml-dev libcurl4-openssl-dev
          libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
          doxygen dpkg-dev file)
for mode in "$@"; do
  case "$mode" in
    --windows) packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386 iproute2 unzip) ;;
    --bench)   packages+=(qtbase5-dev libgumbo-dev libxml2-dev libpurple-dev curl heaptrack valgrind python3) ;;
    --fuzz)    packages+=(clang libclang-rt-dev) ;;
    --qt)      packages+=(qt6-base-dev qtbase5-dev xvfb xauth fonts-wqy-microhei fonts-noto-color-emoji) ;;
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
# i386 packages need dpkg's i386 architecture, added before the package lists
# are read. Multi-arch libraries must have one version in both architectures:
# apt then also upgrades the amd64 copies that are older than the i386 ones it
# installs (in place; --no-remove stops apt before it would take any
# package away to make room).
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}"
