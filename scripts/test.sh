#!/usr/bin/env bash
# The whole test suite from a fresh Debian 12 machine, in stages:
#   1. packages          scripts/setup.sh
#   2. build             build/ with warnings as errors (MOMENTRA_WERROR)
#   3. tests             every test in build/ (with the short trials of bench/trials)
#   4. fuzz              bench/fuzz/run.sh --brief: each libFuzzer target for 3 s (clang, build-fuzz/)
#   5. sanitizer build   build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer (MOMENTRA_SANITIZE)
#   6. sanitizer tests   every test again in build-asan/
# Arguments go to both ctest runs (scripts/test.sh -R tst_EventLog). MOMENTRA_BUILD_DIR moves
# build/ (the sanitizer and fuzz builds go beside it, with "-asan" and "-fuzz" appended);
# MOMENTRA_SANITIZERS=0 leaves out stages 4 to 6. Every stage must pass; the first that fails stops the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOMENTRA_BUILD_DIR:-$root/build}"
asan_build="${build%/}-asan"
fuzz_build="${build%/}-fuzz"
started=$SECONDS

stage() {
    echo
    echo "=== test.sh: $1 ($(date +%T), $((SECONDS - started)) s so far) ==="
}

# ctest over every test in the build folder $1; a folder without tests is a failure.
run_tests() {
    local folder="$1"
    shift
    # Tests start their own private X servers and D-Bus buses; none may reach the user's.
    env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS \
        DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent/momentra-test-system-bus" \
        ctest --test-dir "$folder" --output-on-failure --no-tests=error --parallel "$(nproc)" "$@"
}

stage "packages: scripts/setup.sh"
"$root/scripts/setup.sh"

stage "build: scripts/build.sh into $build, warnings are errors"
MOMENTRA_BUILD_DIR="$build" "$root/scripts/build.sh" -DMOMENTRA_WERROR=ON

stage "tests: ctest in $build"
run_tests "$build" "$@"

if [ "${MOMENTRA_SANITIZERS:-1}" = 0 ]; then
    echo "test.sh: sanitizer build left out (MOMENTRA_SANITIZERS=0); passed in $((SECONDS - started)) s"
    exit 0
fi

stage "fuzz: bench/fuzz/run.sh --brief into $fuzz_build"
MOMENTRA_FUZZ_BUILD_DIR="$fuzz_build" "$root/bench/fuzz/run.sh" --brief

stage "sanitizer build: scripts/build.sh into $asan_build with AddressSanitizer and UndefinedBehaviorSanitizer"
MOMENTRA_BUILD_DIR="$asan_build" "$root/scripts/build.sh" \
    -DMOMENTRA_SANITIZE=ON -DMOMENTRA_WERROR=ON -DMOMENTRA_BUILD_BENCH=OFF

stage "sanitizer tests: ctest in $asan_build"
# Stop at the first fault with a stack trace. Leaks count as faults; only leaks that lie
# wholly in third-party libraries are suppressed. Some tests load libfaketime ahead of the
# sanitizer runtime, hence verify_asan_link_order=0. Reports go to files, so that a fault in
# a momentra process that a test starts is seen even when the test only reads its exit code.
reports="$asan_build/sanitizer-reports"
rm -rf "$reports" && mkdir -p "$reports"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1:verify_asan_link_order=0:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:report_error_type=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"
status=0
run_tests "$asan_build" "$@" || status=$?
for report in "$reports"/*; do
    [ -e "$report" ] || continue
    echo "--- sanitizer report $report:"
    head -n 150 "$report"
    status=1
done
if [ "$status" -ne 0 ]; then
    echo "test.sh: the sanitizer run failed after $((SECONDS - started)) s"
    exit "$status"
fi

echo
echo "test.sh: every stage passed in $((SECONDS - started)) s"
