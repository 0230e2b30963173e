#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmarks (Release), generates the corpus when it is missing or
# older than its generator, runs the library's benchmarks, the peers, the
# downloads and the memory check, and rewrites the results in
# bench/README.md. Installs nothing: the packages come from
# `scripts/setup.sh --bench`. The download benchmark serves its pictures from
# port 80 of 127.0.30.1, which takes root (or CAP_NET_BIND_SERVICE).
#
#   scripts/bench.sh                 full run (5 rounds, medians)
#   BENCH_REPETITIONS=3 scripts/bench.sh
#   BENCH_BUILD_DIR=build-x scripts/bench.sh
#   BENCH_MIN_TIME=0.05 scripts/bench.sh   quick check of the whole chain
#   scripts/bench.sh --build-only    builds every benchmark program and stops
#                                    (CI: keeps them building)
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=false
case "${1:-}" in
  "") ;;
  --build-only) build_only=true ;;
  *) echo "usage: scripts/bench.sh [--build-only]" >&2; exit 2 ;;
esac
build=${BENCH_BUILD_DIR:-build-bench}
repetitions=${BENCH_REPETITIONS:-5}
options=()
[ -n "${BENCH_MIN_TIME:-}" ] && options=(--benchmark_min_time="$BENCH_MIN_TIME")

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON \
  -DTESSEL_BUILD_TESTS=OFF -DTESSEL_BUILD_CLI=OFF > /dev/null
# Every program, count_instructions and outputs_dump too, so that none of
# them is left stale beside the ones measured.
cmake --build "$build" -j"$(nproc)"
"$build_only" && exit 0

bin="$build/bench"
corpus="$bin/corpus"
if [ ! -f "$corpus/qt.msgs" ] || [ "$bin/tessel_corpus" -nt "$corpus/qt.msgs" ]; then
  "$bin/tessel_corpus" "$corpus"
fi

results="$bin/results"
mkdir -p "$results"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# The library's, the peers' and the download programs run by turns, once
# per repetition, so that all sample the same stretch of the machine's load;
# the report takes the median of each benchmark over the repetitions.
rm -f "$results"/tessel.*.json "$results"/peers.*.json "$results"/download.*.json
for ((round = 1; round <= repetitions; round++)); do
  for program in tessel peer download; do
    output=$program
    [ "$program" = peer ] && output=peers
    "$bin/${program}_bench" "${options[@]}" --benchmark_out_format=json \
      --benchmark_out="$results/$output.$round.json" \
      2> >(grep -v XDG_RUNTIME_DIR >&2)
  done
done
"$bin/memory_bench" "$results/memory.json"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
python3 bench/report.py --results "$results" --corpus "$corpus" \
  --load "$load_before" "$load_after" --repetitions "$repetitions" --readme bench/README.md
