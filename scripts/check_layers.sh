#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the arrows between the library's rooms and where the operating
# system may show (docs/ARCHITECTURE.md draws them):
#
#   - each room includes project headers only from the rooms below it:
#       include/tessel  the public interface: itself only
#       base            include/tessel (types, export macro), base
#       fs              + fs
#       platform        base, platform
#       emoticons       + fs, emoticons
#       download        + fs, platform, download
#       html            + emoticons, download, html
#       api             everything
#     and no room below api/ includes "tessel/tessel.h", the entry points;
#   - _WIN32 appears in no library file but fs/'s and platform/'s system
#     files (fs/filesystem_<system>.cpp, platform/*).
#
# Prints each violation with its file and line, and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [include/tessel]="tessel"
  [base]="tessel base"
  [fs]="tessel base fs"
  [platform]="tessel base platform"
  [emoticons]="tessel base fs emoticons"
  [download]="tessel base fs platform download"
  [html]="tessel base fs platform emoticons download html"
  [api]="tessel base fs platform emoticons download html api"
)
status=0

for room in "${!allowed[@]}"; do
  [ -d "$room" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<< "$text")
    [[ $target == */* ]] || continue  # a header beside the file
    top=${target%%/*}
    if [[ " ${allowed[$room]} " != *" $top "* ]]; then
      echo "$file:$line: $room/ may not include \"$target\" (it is not below $room/)"
      status=1
    elif [ "$room" != api ] && [ "$target" = tessel/tessel.h ]; then
      echo "$file:$line: $room/ may not include \"tessel/tessel.h\": the entry points are api/'s"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$room" --include='*.h' --include='*.cpp' || true)
done

while IFS=: read -r file line _; do
  case "$file" in
    fs/filesystem_*.cpp | platform/*) ;;
    *) echo "$file:$line: _WIN32 outside the system files of fs/ and platform/"; status=1 ;;
  esac
done < <(grep -rn '_WIN32' api base download emoticons fs html include platform \
           --include='*.h' --include='*.cpp' --include='*.in' || true)

[ $status -eq 0 ] && echo "layers: every include points down; _WIN32 only in the system files"
exit $status
