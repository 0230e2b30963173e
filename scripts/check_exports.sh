#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Compares the export table of tessel.dll with the list kept in the repo.
#
#   scripts/check_exports.sh DLL LIST [OBJDUMP]
#
# LIST holds one mangled name per line (lines starting with # are comments).
# On a difference both sides are shown demangled and the script fails.
# With --write it replaces LIST with what the DLL exports.
set -euo pipefail

write=false
if [ "${1:-}" = "--write" ]; then write=true; shift; fi
dll=$1 list=$2 objdump=${3:-objdump}

# The names of the "[Ordinal/Name Pointer] Table" section of objdump -p.
exported() {
  "$objdump" -p "$dll" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
    inside && /^[ \t]*$/ { inside = 0 }
    inside { print $NF }' | LC_ALL=C sort
}

actual=$(exported)
if [ -z "$actual" ]; then
  echo "check_exports: $dll exports nothing" >&2
  exit 1
fi

if $write; then
  { echo "# Exports of tessel.dll, mangled; see scripts/check_exports.sh"; echo "$actual"; } > "$list"
  echo "check_exports: wrote $(echo "$actual" | wc -l) names to $list"
  exit 0
fi

expected=$(grep -v '^#' "$list" | sed '/^$/d' | LC_ALL=C sort)
if [ "$actual" = "$expected" ]; then
  echo "check_exports: $(basename "$dll") exports exactly the $(echo "$actual" | wc -l) listed names"
  exit 0
fi

echo "check_exports: $(basename "$dll") does not export what $list lists" >&2
echo "  exported but not listed:" >&2
comm -23 <(echo "$actual") <(echo "$expected") | c++filt | sed 's/^/    /' >&2
echo "  listed but not exported:" >&2
comm -13 <(echo "$actual") <(echo "$expected") | c++filt | sed 's/^/    /' >&2
exit 1
