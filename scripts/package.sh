#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the release packages in packages/ and checks each one unpacked
# (tests/install/check_package.sh):
#   deb    tessel_<version>_<arch>.deb from a Release build for prefix /usr:
#          libraries, headers, CMake and pkg-config files, the tool, sample
#          data; its run-time dependencies (libcurl, ...) read from the
#          binaries. The unpacked tool is run on the unpacked sample.
#   win32  tessel-<version>-win32.zip from the 32-bit MinGW build (the
#   win64  shipping one) and tessel-<version>-win64.zip from the 64-bit one:
#          tessel.dll with its import library, the static library, headers,
#          CMake and pkg-config files, tessel.exe, the MinGW runtime DLLs,
#          sample data. The unpacked tessel.exe runs under Wine where that
#          Wine can run here.
#
#   scripts/package.sh [deb] [win32] [win64]   (default: all three)
#
# Build trees: build-package/<name>/, or for a .zip the Release tree that
# scripts/windows.sh left (build-windows-<arch>/). The .zip files need
# `scripts/setup.sh --windows`.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(deb win32 win64)
version=$(sed -n 's/^project(Tessel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=$PWD/packages
mkdir -p "$out"

# Configures and builds a tree with only what the packages hold.
build() {
  local dir=$1; shift
  cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_TESTS=OFF \
        -DTESSEL_WITH_QT=OFF "$@" > /dev/null
  cmake --build "$dir" -j"$jobs"
}

# cpack GENERATOR TREE: the package, written to packages/.
pack() {
  cpack -G "$1" -B "$out" --config "$2/CPackConfig.cmake" > "$2/cpack.log" 2>&1 ||
    { cat "$2/cpack.log" >&2; return 1; }
  rm -rf "$out/_CPack_Packages"
}

made=()
for kind in "${kinds[@]}"; do
  case "$kind" in
    deb)
      echo "== Debian package"
      build build-package/linux -DCMAKE_INSTALL_PREFIX=/usr
      rm -f "$out"/tessel_"$version"_*.deb
      pack DEB build-package/linux
      package=$(ls "$out"/tessel_"$version"_*.deb)
      bash tests/install/check_package.sh "$package"
      ;;
    win32|win64)
      echo "== Windows $kind .zip"
      if [ "$kind" = win32 ]; then arch=i686 wine=/usr/lib/wine/wine; else arch=x86_64 wine=/usr/lib/wine/wine64; fi
      # The Release tree of scripts/windows.sh serves when it is there: its
      # tests are not installed, so the package is the same.
      tree=build-windows-$arch
      if [ -f "$tree/CPackConfig.cmake" ] && grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$tree/CMakeCache.txt"; then
        cmake --build "$tree" -j"$jobs"
      else
        tree=build-package/$kind
        build "$tree" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-$arch.cmake"
      fi
      package=$out/tessel-$version-$kind.zip
      rm -f "$package"
      pack ZIP "$tree"
      "$wine" --version > /dev/null 2>&1 || wine=""
      [ -n "$wine" ] || echo "(no $kind Wine that runs here: tessel.exe is not run)"
      bash tests/install/check_package.sh "$package" $wine
      ;;
    *) echo "package.sh: unknown package '$kind' (deb, win32, win64)" >&2; exit 2 ;;
  esac
  made+=("$package")
done

echo "== Packages"
for package in "${made[@]}"; do
  echo "$(du -h "$package" | cut -f1)	${package#"$PWD/"}"
done
