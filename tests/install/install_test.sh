#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds a tiny client against
# it twice: through find_package(Tessel) and through pkg-config.
set -euo pipefail
build_dir=$1 source_dir=$2 catalogue=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" > /dev/null
test -f "$work/prefix/include/tessel/tessel.h"

cmake -S "$source_dir/tests/install" -B "$work/client" -DCMAKE_PREFIX_PATH="$work/prefix" > /dev/null
cmake --build "$work/client" > /dev/null
out=$(LD_LIBRARY_PATH="$work/prefix/lib:${LD_LIBRARY_PATH:-}" "$work/client/client" "$catalogue")
echo "$out"
grep -q '<img id="' <<< "$out"

libdir=$(ls -d "$work"/prefix/lib*/pkgconfig | head -n1)
flags=$(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs tessel)
c++ -std=c++17 "$source_dir/tests/install/client.cpp" $flags -o "$work/client-pc"
LD_LIBRARY_PATH="$(dirname "$libdir"):${LD_LIBRARY_PATH:-}" "$work/client-pc" "$catalogue" > /dev/null
echo "install test passed"
