#!/usr/bin/env bash
# Fuzzes the parsers that read what the outside world hands Momentra, with
# libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer:
#   fuzz_edid      a monitor's EDID block
#   fuzz_settings  the settings file, read through every setting's read rule
#   fuzz_plist     the binary property list of the text attribute
#   fuzz_eventlog  the event log files, as read for the log section
#   fuzz_image     the PNG, JPEG and HEIC decoders used by bulk text runs
#   fuzz_names     day-folder and screenshot names from directory listings
#
#   bench/fuzz/run.sh [EXECUTIONS]   each target for EXECUTIONS runs (default 100000)
#   bench/fuzz/run.sh --brief        each target for 3 seconds (the test suite's stage)
#   FUZZ_TARGETS="fuzz_names fuzz_plist" bench/fuzz/run.sh   only those
#
# Builds with clang into build-fuzz/ (MOMENTRA_FUZZ_BUILD_DIR moves it), only
# the libraries the targets need. Each target starts from bench/fuzz/corpus/NAME
# and grows a working copy in the build folder; a crash leaves its input there
# (crash-*) and fails the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${MOMENTRA_FUZZ_BUILD_DIR:-$root/build-fuzz}"
targets=(${FUZZ_TARGETS:-fuzz_edid fuzz_settings fuzz_plist fuzz_eventlog fuzz_image fuzz_names})
if [ "${1:-}" = --brief ]; then
    budget=(-max_total_time=3)
else
    budget=(-runs="${1:-100000}")
fi

if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DMOMENTRA_FUZZ=ON -DMOMENTRA_BUILD_TESTS=OFF -DMOMENTRA_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --parallel "${MOMENTRA_JOBS:-2}" --target "${targets[@]}"

# Settings and log files go to a private home; nothing reaches the real one.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_STATE_HOME="$scratch/home/.local/state"
mkdir -p "$HOME"
# Local times with a daylight saving change, for the name parsers.
export TZ=Europe/Berlin
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

status=0
for target in "${targets[@]}"; do
    work="$build/corpus/$target"
    mkdir -p "$work"
    echo "=== fuzz: $target (${budget[*]})"
    if ! (cd "$build" && "$build/bench/fuzz/$target" "${budget[@]}" -timeout=10 -rss_limit_mb=2048 \
              -malloc_limit_mb=1024 -max_len=65536 -print_final_stats=1 \
              "$work" "$root/bench/fuzz/corpus/$target" 2>"$build/$target.log"); then
        tail -n 60 "$build/$target.log"
        status=1
    fi
    grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$build/$target.log" || true
done
exit "$status"
