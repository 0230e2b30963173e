#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a temporary prefix and builds a Qt client against
# it through find_package(Tessel COMPONENTS qt), then runs it.
set -euo pipefail
build_dir=$1 client_dir=$2 data_dir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" > /dev/null
test -f "$work/prefix/include/tessel/qt/MessageRenderer.h"

cmake -S "$client_dir" -B "$work/client" -DCMAKE_PREFIX_PATH="$work/prefix" > /dev/null
cmake --build "$work/client" > /dev/null
libdir=$(dirname "$(ls "$work"/prefix/lib*/libtessel-qt.so)")
out=$(QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH="$libdir:${LD_LIBRARY_PATH:-}" \
      "$work/client/client" "$data_dir/emo.dat" "$data_dir/emoticons")
echo "$out"
grep -q '<img src=":/Res/FaceMgr/em/1.png"/>' <<< "$out"
grep -qx '36' <<< "$out"
echo "qt install test passed"
