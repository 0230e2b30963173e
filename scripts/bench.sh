#!/usr/bin/env bash
# Builds the benchmarks (Release), generates the corpus when it is missing or
# older than its generator, runs the library's benchmarks, the peers and the
# memory check, and rewrites the results in bench/README.md. Installs
# nothing: the packages come from `scripts/setup.sh --bench`.
#
#   scripts/bench.sh                 full run (5 rounds, medians)
#   BENCH_REPETITIONS=3 scripts/bench.sh
#   BENCH_BUILD_DIR=build-x scripts/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build-bench}
repetitions=${BENCH_REPETITIONS:-5}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSEL_BUILD_BENCH=ON \
  -DTESSEL_BUILD_TESTS=OFF -DTESSEL_BUILD_CLI=OFF > /dev/null
cmake --build "$build" -j"$(nproc)" --target tessel_corpus tessel_bench peer_bench memory_bench

bin="$build/bench"
corpus="$bin/corpus"
if [ ! -f "$corpus/qt.msgs" ] || [ "$bin/tessel_corpus" -nt "$corpus/qt.msgs" ]; then
  "$bin/tessel_corpus" "$corpus"
fi

results="$bin/results"
mkdir -p "$results"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# The library's and the peers' programs run by turns, once per repetition,
# so that both sample the same stretch of the machine's load; the report
# takes the median of each benchmark over the repetitions.
rm -f "$results"/tessel.*.json "$results"/peers.*.json
for ((round = 1; round <= repetitions; round++)); do
  for program in tessel peer; do
    "$bin/${program}_bench" --benchmark_out_format=json \
      --benchmark_out="$results/${program/peer/peers}.$round.json" \
      2> >(grep -v XDG_RUNTIME_DIR >&2)
  done
done
"$bin/memory_bench" "$results/memory.json"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
python3 bench/report.py --results "$results" --corpus "$corpus" \
  --load "$load_before" "$load_after" --repetitions "$repetitions" --readme bench/README.md
