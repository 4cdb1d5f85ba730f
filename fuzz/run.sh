#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build (default build-fuzz/) for a bounded
# time each (FUZZ_SECONDS, default 60), starting from the committed seeds in
# fuzz/corpus/. A crash, a sanitizer report, a timeout or a broken invariant
# fails the run; the input that caused it is kept in <build>/crashes/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
crashes="$build/crashes"

status=0
for target in system_file glass_catalogue trace; do
    seeds="fuzz/corpus/$target"
    [ "$target" = trace ] && seeds="fuzz/corpus/system_file"
    corpus="$build/corpus/$target"
    artifacts="$crashes/$target"
    log="$build/fuzz-$target.log"
    rm -rf "$artifacts"
    mkdir -p "$corpus" "$artifacts"
    echo "fuzz: $target for ${seconds} s"
    if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
           -max_len=16384 -print_final_stats=1 -artifact_prefix="$artifacts/" \
           "$corpus" "$seeds" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz: $target passed, ${runs:-?} executions"
    else
        status=1
        tail -n 60 "$log"
        echo "fuzz: $target FAILED; the input is in $(pwd)/$artifacts/ (log: $(pwd)/$log)"
        ls -l "$artifacts"
    fi
done
exit $status
