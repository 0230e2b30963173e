#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets and runs each one for SECONDS seconds, one
# after the other, on one core. Every target starts from its seeds, the
# sample data and what earlier runs found (kept in fuzz/corpus/, not in git).
# A crash, leak, sanitizer report or timeout leaves its input in
# fuzz/findings/ and makes the script exit with status 1. The download
# target's web server listens on port 80 of 127.0.90.1, which needs root.
#
#   scripts/fuzz.sh SECONDS [TARGET...]     e.g. scripts/fuzz.sh 60
set -euo pipefail
cd "$(dirname "$0")/.."
# Absolute paths throughout: some targets change their working directory.
root=$PWD

usage() { echo "usage: $0 SECONDS [TARGET...]" >&2; exit 2; }
[ $# -ge 1 ] || usage
seconds=$1; shift
[[ $seconds =~ ^[0-9]+$ ]] || usage

all_targets=(tokenizer text_parser entities path rich_text body catalogue download)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

build=$root/build-fuzz
CXX=${CXX:-clang++} cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSEL_SANITIZE=address -DTESSEL_BUILD_FUZZ=ON \
  -DTESSEL_BUILD_TESTS=OFF -DTESSEL_BUILD_CLI=OFF > /dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" > /dev/null

# Seed directories and dictionary of each target, relative to fuzz/.
inputs_of() {
  case $1 in
    tokenizer|text_parser|rich_text|body) echo "seeds/html ../data/messages" ;;
    entities)  echo "seeds/entities ../data/messages" ;;
    path)      echo "seeds/path" ;;
    catalogue) echo "seeds/catalogue" ;;
    download)  echo "seeds/download" ;;
    *) echo "fuzz.sh: unknown target '$1'" >&2; exit 2 ;;
  esac
}
dict_of() {
  case $1 in
    path)      echo path.dict ;;
    catalogue) echo catalogue.dict ;;
    download)  echo download.dict ;;
    *)         echo html.dict ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fuzz=$root/fuzz
mkdir -p "$fuzz/findings" "$fuzz/logs"
failed=()
for t in "${targets[@]}"; do
  corpus=$fuzz/corpus/$t
  mkdir -p "$corpus"
  # The sample catalogue is a single file; libFuzzer takes seed directories.
  [ "$t" = catalogue ] && [ -f "$root/data/emo.dat" ] && cp "$root/data/emo.dat" "$corpus/sample-emo.dat"
  seeds=()
  for d in $(inputs_of "$t"); do [ -d "$fuzz/$d" ] && seeds+=("$(cd "$fuzz/$d" && pwd)"); done
  log=$fuzz/logs/$t.log
  echo "== $t (${seconds}s)"
  if "$build/fuzz/fuzz_$t" "$corpus" "${seeds[@]}" -dict="$fuzz/$(dict_of "$t")" \
       -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$fuzz/findings/$t-" -print_final_stats=1 > "$log" 2>&1; then
    last=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
    echo "   ok: $(echo "$last" | sed -E 's/^#([0-9]+)[[:space:]]+DONE +/\1 runs, /')"
  else
    echo "   FINDING: see $log and $fuzz/findings/$t-*"
    grep -E 'ERROR|runtime error|Sanitizer|deadly signal|out-of-memory|timeout' "$log" | head -5 | sed 's/^/   /'
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in: ${failed[*]}" >&2
  exit 1
fi
