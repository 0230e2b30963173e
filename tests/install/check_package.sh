#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Unpacks a package and checks what it holds.
#
#   tests/install/check_package.sh PACKAGE.deb
#       dpkg-deb -x, the file list, the declared dependencies, then the
#       unpacked tool run on the unpacked sample with no environment set up
#   tests/install/check_package.sh PACKAGE.zip [WINE]
#       unzip, the file list; with WINE (the wine64 loader), the unpacked
#       tessel.exe run on the unpacked sample
set -euo pipefail
package=$(realpath "$1") wine=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "check_package: FAILED: $*" >&2; failures=$((failures + 1)); }
# Each pattern (a shell pattern over the unpacked tree's file paths) must
# match some file.
expect_files() {
  local list=$1 pattern; shift
  for pattern in "$@"; do
    # shellcheck disable=SC2053
    grep -q -x -- "$(sed 's/[.[\^$]/\\&/g; s/\*/.*/g' <<< "$pattern")" "$list" || fail "$(basename "$package") has no $pattern"
  done
}

case "$package" in
  *.deb)
    dpkg-deb -x "$package" "$work/root"
    (cd "$work/root" && find . -type f -o -type l | sed 's|^\./||' | sort) > "$work/files"
    expect_files "$work/files" usr/bin/tessel 'usr/lib*/libtessel.so' 'usr/lib*/libtessel.so.0' \
      'usr/lib*/libtessel.so.0.*' 'usr/lib*/libtessel_static.a' \
      usr/include/tessel/tessel.h usr/include/tessel/EmoticonCache.h usr/include/tessel/export.h \
      usr/include/tessel/types.h usr/include/tessel/version.h \
      'usr/lib*/cmake/Tessel/TesselConfig.cmake' 'usr/lib*/cmake/Tessel/TesselConfigVersion.cmake' \
      'usr/lib*/cmake/Tessel/TesselTargets.cmake' 'usr/lib*/cmake/Tessel/TesselStaticTargets.cmake' \
      'usr/lib*/pkgconfig/tessel.pc' 'usr/lib*/pkgconfig/tessel-static.pc' \
      usr/share/tessel/emo.dat usr/share/tessel/emoticons/1.png usr/share/tessel/messages/sample.html \
      usr/share/doc/tessel/LICENSE
    grep -v '^usr/' "$work/files" | sed 's/^/  outside usr\/: /' | grep . >&2 && fail "files outside usr/"
    depends=$(dpkg-deb -f "$package" Depends)
    grep -q 'libcurl' <<< "$depends" || fail "the package does not depend on libcurl: '$depends'"
    # The unpacked tool finds its library and its sample catalogue by
    # itself, wherever it was unpacked.
    tool() { env -i HOME="$work" "$work/root/usr/bin/tessel" "$@"; }
    out=$(tool body "$work/root/usr/share/tessel/messages/sample.html" 2>&1) &&
      grep -q '<img id="smile"/>' <<< "$out" || fail "the unpacked tool on the unpacked sample: $out"
    out=$(tool --catalogue "$work/root/usr/share/tessel/emo.dat" emoticon wink 2>&1) &&
      [ "$out" = '<img src=":/Res/FaceMgr/em/3.png"/>' ] || fail "the unpacked tool with the unpacked catalogue: $out"
    ;;
  *.zip)
    unzip -q "$package" -d "$work/root"
    top=$(find "$work/root" -mindepth 1 -maxdepth 1 -type d | head -n1)
    (cd "$top" && find . -type f | sed 's|^\./||' | sort) > "$work/files"
    expect_files "$work/files" bin/tessel.dll bin/tessel.exe bin/libstdc++-6.dll bin/libwinpthread-1.dll \
      'bin/libgcc_s_*-1.dll' lib/libtessel.dll.a lib/libtessel_static.a \
      include/tessel/tessel.h include/tessel/EmoticonCache.h include/tessel/export.h \
      include/tessel/types.h include/tessel/version.h \
      lib/cmake/Tessel/TesselConfig.cmake lib/cmake/Tessel/TesselTargets.cmake \
      lib/cmake/Tessel/TesselStaticTargets.cmake lib/pkgconfig/tessel.pc \
      share/tessel/emo.dat share/tessel/emoticons/1.png share/tessel/messages/sample.html \
      share/doc/tessel/LICENSE
    if [ -n "$wine" ]; then
      export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
      # Paths relative to the unpacked folder, which Wine's Windows paths
      # reach as they are.
      out=$(cd "$top" && "$wine" bin/tessel.exe --catalogue share/tessel/emo.dat emoticon wink 2> "$work/wine.log" |
              tr -d '\r') &&
        [ "$out" = '<img src=":/Res/FaceMgr/em/3.png"/>' ] ||
        fail "the unpacked tessel.exe under Wine: '$out' $(cat "$work/wine.log")"
      /usr/lib/wine/wineserver -k 2> /dev/null || true
    fi
    ;;
  *) echo "check_package: give a .deb or a .zip" >&2; exit 2 ;;
esac

if [ "$failures" -ne 0 ]; then
  echo "check_package: $(basename "$package"): $failures failures" >&2
  exit 1
fi
echo "check_package: $(basename "$package") holds what it should ($(wc -l < "$work/files") files)"
