#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The licence line at the top of every source file.
#
#   scripts/spdx.sh --check   list the source files without it; fails when there are any
#   scripts/spdx.sh --add     put it at the top of each of them (after a "#!" line)
#
# Source files are the files git knows (tracked, or new and not ignored) that
# hold code: C++ sources and headers, CMake files, shell and Python scripts
# (by extension, or extension-less with a "#!" line naming sh, bash or
# python), and ".in" templates, which take the comment syntax of the file they
# become (version.h.in: //, TesselConfig.cmake.in and tessel.pc.in: #).
# Data (sample messages, catalogues, fuzz seeds, pictures) and documents are
# left alone.
set -euo pipefail
cd "$(dirname "$0")/.."

identifier="SPDX-License-Identifier: MIT"
mode=${1:-}
case "$mode" in
  --check|--add) ;;
  *) echo "usage: scripts/spdx.sh --check | --add" >&2; exit 2 ;;
esac

# The comment that starts a line in a file, or nothing when the file is not
# a source file.
comment_of() {
  local file=$1 name=${1##*/}
  [[ $name == *.in ]] && name=${name%.in}
  case "$name" in
    *.cpp|*.cc|*.cxx|*.h|*.hpp|*.hh|*.hxx) echo "//" ;;
    CMakeLists.txt|*.cmake|*.sh|*.bash|*.py|*.pc) echo "#" ;;
    *.*) ;;
    *) head -n 1 "$file" | grep -qE '^#!.*\b(sh|bash|python3?)\b' && echo "#" ;;
  esac
  return 0
}

# A file carries the line when one of its first three lines holds it.
has_line() {
  head -n 3 "$1" | grep -q "SPDX-License-Identifier:"
}

missing=()
while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue
  comment=$(comment_of "$file")
  [ -n "$comment" ] || continue
  has_line "$file" && continue
  missing+=("$file")
  if [ "$mode" = --add ]; then
    line="$comment $identifier"
    tmp=$(mktemp "$file.XXXXXX")
    if head -n 1 "$file" | grep -q '^#!'; then
      { head -n 1 "$file"; echo "$line"; tail -n +2 "$file"; } > "$tmp"
    else
      { echo "$line"; cat "$file"; } > "$tmp"
    fi
    chmod --reference="$file" "$tmp"
    mv "$tmp" "$file"
  fi
done < <(git ls-files -z --cached --others --exclude-standard)

if [ "$mode" = --add ]; then
  echo "spdx: added the licence line to ${#missing[@]} files"
  exit 0
fi
if [ ${#missing[@]} -eq 0 ]; then
  echo "spdx: every source file carries its licence line"
  exit 0
fi
echo "spdx: ${#missing[@]} source files lack the line '$identifier':" >&2
printf '  %s\n' "${missing[@]}" >&2
exit 1
