#!/usr/bin/env bash
# A long run of one fuzz target: scripts/fuzz.sh BUILD TARGET [RUNS]
# (TARGET frame_parser, database, controller_memory or config_json; RUNS
# executions, 10 million by default). The corpus grows in
# BUILD/fuzz/TARGET/corpus from the project's seeds and is kept between runs;
# inputs that fail land in BUILD/fuzz/TARGET/ as crash-*, leak-* or
# timeout-*. The run yields to everything else on the machine (nice 19).
set -euo pipefail
build=${1:?usage: scripts/fuzz.sh BUILD TARGET [RUNS]}
target=${2:?usage: scripts/fuzz.sh BUILD TARGET [RUNS]}
runs=${3:-10000000}
fuzzer=$build/bin/fuzz_$target
[ -x "$fuzzer" ] || { echo "fuzz.sh: no $fuzzer; build first (make build)" >&2; exit 2; }
work=$build/fuzz/$target
mkdir -p "$work/corpus"
"$build/bin/make_fuzz_seeds" "$target" "$work/made" >/dev/null
# Each allocation's stack is left unrecorded: it halves the time of a run;
# a failing input, run again on its own, reports with full stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}
exec nice -n 19 "$fuzzer" -runs="$runs" -max_len=65536 -timeout=60 -rss_limit_mb=4096 -print_final_stats=1 \
  -entropic_scale_per_exec_time=1 -artifact_prefix="$work/" "$work/corpus" "$work/made/seeds"
