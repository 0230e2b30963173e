#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build into a temporary prefix and uses it the way a stranger
# would, from outside the source tree:
#   - clients built through find_package(Tessel 0.2) with Tessel::tessel and
#     with Tessel::tessel_static, and through pkg-config (tessel and
#     tessel-static);
#   - the README's example, extracted from README.md, built and run against
#     the installed sample catalogue, and run on a broken catalogue;
#   - a client that calls every function the installed headers declare;
#   - every installed header compiled alone in C++17 and C++20;
#   - the installed tool run with no environment set up;
#   - no path of the build or source tree in any installed file.
#
#   tests/install/install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build_dir=$(cd "$1" && pwd) source_dir=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() { echo "install test: FAILED: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build_dir" --prefix "$prefix" > /dev/null
libdir=$(dirname "$(find "$prefix" -name 'libtessel.so*' | head -n1)")
catalogue=$prefix/share/tessel/emo.dat
for file in include/tessel/tessel.h include/tessel/version.h share/tessel/emo.dat \
            share/tessel/emoticons/1.png share/tessel/messages/sample.html share/doc/tessel/LICENSE; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done

# The consumers' sources, copied out of the source tree.
cp -r "$source_dir/tests/install/client" "$work/client-src"
awk '/<!-- README example:/ { marked = 1; next }
     marked && !inside && /^```cpp/ { inside = 1; next }
     inside && /^```/ { exit }
     inside { print }' "$source_dir/README.md" > "$work/client-src/readme_example.cpp"
[ -s "$work/client-src/readme_example.cpp" ] || fail "README.md has no marked cpp example"

cd "$work"
# build_client NAME CMAKE-OPTIONS...: configures the client project in NAME/
# and builds each of its programs on its own, so that one that fails to
# build leaves the others to run.
build_client() {
  local name=$1 program; shift
  cmake -S client-src -B "$name" -DCMAKE_PREFIX_PATH="$prefix" "$@" > "$name.log" 2>&1 ||
    { cat "$name.log" >&2; fail "configuring the $name client"; return 0; }
  for program in client every_function readme_example; do
    grep -q "^$program:" "$name/Makefile" || continue
    cmake --build "$name" --target "$program" > "$name-$program.log" 2>&1 ||
      { cat "$name-$program.log" >&2; fail "building $program ($name)"; }
  done
}
# built PROGRAM: whether it was built (its failure to build is counted).
built() { [ -x "$1" ]; }

echo "== find_package(Tessel 0.2) with Tessel::tessel"
build_client shared -DREADME_EXAMPLE="$work/client-src/readme_example.cpp"
if built shared/client; then
  out=$(shared/client "$catalogue") || fail "the shared client"
  grep -q '<img id="smile"/>' <<< "$out" || fail "the shared client's body: $out"
  head -n1 <<< "$out" | grep -qx "$(sed -n 's/.*TESSEL_VERSION_STRING "\(.*\)"/\1/p' "$prefix/include/tessel/version.h")" ||
    fail "the version string"
fi
if built shared/every_function; then
  shared/every_function "$catalogue" "$work/cache" || fail "a client calling every function"
fi
echo "== the README example, as written"
if built shared/readme_example; then
  if out=$(shared/readme_example "$catalogue" 2>&1); then
    for expected in 'rich text: <p style=' '<img src=":/Res/FaceMgr/em/1.png"/>' \
                    'body: <body><div id="title_div"><h1 id="title">Team chat</h1>' '<img id="smile"/>' \
                    'emoticon: smile written [smile]' 'rebuilt: <body><p>Hi <img src=":/Res/FaceMgr/em/1.png"/>'; do
      grep -qF "$expected" <<< "$out" || fail "the README example does not print '$expected': $out"
    done
  else
    fail "the README example exits $? on the installed catalogue: $out"
  fi
  printf '<face><clasic size="1"><em id="1">' > broken.dat
  out=$(shared/readme_example broken.dat 2>&1) && status=0 || status=$?
  [ "$status" -eq 1 ] && grep -q "cannot load the emoticon catalogue broken.dat: " <<< "$out" ||
    fail "the README example on a broken catalogue: exit $status, '$out'"
fi

echo "== find_package(Tessel 0.2 COMPONENTS static) with Tessel::tessel_static"
build_client static -DTESSEL_CLIENT_STATIC=ON
if built static/client; then
  static/client "$catalogue" | grep -q '<img id="smile"/>' || fail "the static client"
  ! readelf -d static/client | grep -q 'libtessel' || fail "the static client needs libtessel.so"
fi
if built static/every_function; then
  static/every_function "$catalogue" "$work/cache" || fail "the static client calling every function"
fi

echo "== pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --variable=prefix tessel | xargs realpath)" = "$(realpath "$prefix")" ] || fail "tessel.pc's prefix"
pkg-config --print-requires-private tessel | grep -q libcurl || fail "tessel.pc lacks Requires.private: libcurl"
# shellcheck disable=SC2046
c++ -std=c++17 client-src/client.cpp $(pkg-config --cflags --libs tessel) -o pc-shared &&
  LD_LIBRARY_PATH=$libdir ./pc-shared "$catalogue" | grep -q '<img id="smile"/>' || fail "the pkg-config client (tessel)"
# shellcheck disable=SC2046
c++ -std=c++17 client-src/client.cpp $(pkg-config --cflags --libs tessel-static) -o pc-static &&
  ./pc-static "$catalogue" | grep -q '<img id="smile"/>' || fail "the pkg-config client (tessel-static)"

echo "== every installed header alone"
# (The Qt companion's headers need Qt's: its own install test compiles them.)
declared=$(find "$prefix/include/tessel" -name '*.h' -not -path '*/tessel/qt/*' | sort)
for header in $declared; do
  for std in c++17 c++20; do
    echo "#include <tessel/${header#"$prefix/include/tessel/"}>" |
      c++ -std=$std -Wall -Wextra -pedantic -Werror -fsyntax-only -I"$prefix/include" -x c++ - ||
      fail "${header#"$prefix/"} alone in $std"
  done
done
# Every declared function is called by every_function.cpp.
names=$(sed -n 's/^TESSEL_API [^(]*[^A-Za-z0-9_]\([A-Za-z0-9_]*\)(.*/\1/p' "$prefix/include/tessel/tessel.h"
        sed -n '/^private:/q; s/^    [^/]*[ *&]\([a-z][A-Za-z0-9_]*\)(.*/\1/p' "$prefix/include/tessel/EmoticonCache.h")
[ "$(wc -w <<< "$names")" -ge 25 ] || fail "found only $(wc -w <<< "$names") declared functions"
for name in $names; do
  grep -q "\b$name(" client-src/every_function.cpp || fail "every_function.cpp does not call $name"
done

echo "== the installed tool, with no environment"
mkdir -p home
tool() { env -i HOME="$work/home" "$prefix/bin/tessel" "$@"; }
tool --help > /dev/null || fail "tessel --help"
out=$(tool body "$prefix/share/tessel/messages/sample.html" 2>&1) && grep -q '<img id="smile"/>' <<< "$out" ||
  fail "tessel body on the installed sample with its own catalogue: $out"
out=$(tool --catalogue "$catalogue" emoticon smile 2>&1) && [ "$out" = '<img src=":/Res/FaceMgr/em/1.png"/>' ] ||
  fail "tessel emoticon smile with the installed catalogue: $out"

echo "== no path of this machine's trees in the installed files"
for tree in "$build_dir" "$source_dir"; do
  found=$(grep -rlF "$tree" "$prefix" || true)
  [ -z "$found" ] || fail "$tree appears in: $(echo $found)"
done

if [ "$failures" -ne 0 ]; then
  echo "install test: $failures failures" >&2
  exit 1
fi
echo "install test passed"
