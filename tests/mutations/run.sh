#!/usr/bin/env bash
# Plants the faults of tests/mutations/*.patch one at a time, builds, runs the suite and counts the
# faults that some test catches. Usage: tests/mutations/run.sh [BUILD_DIR]  (default: build)
# TEST_TIMEOUT (seconds, default 120) bounds each test, so that a fault that makes a test loop is
# caught too. The tree is left as it was found, also on Ctrl-C.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(git -C "$here" rev-parse --show-toplevel)
build=$(realpath "${1:-$root/build}")
timeout=${TEST_TIMEOUT:-120}
logs=$build/mutations
planted=""

restore() {
    [ -n "$planted" ] && git -C "$root" apply -R "$planted"
    planted=""
}
trap 'restore; exit 130' INT TERM
trap restore EXIT

build_tree() { cmake --build "$build" -j2 >"$1" 2>&1; }
run_suite() { ctest --test-dir "$build" -j2 --timeout "$timeout" --output-on-failure >>"$1" 2>&1; }

mkdir -p "$logs"
if ! build_tree "$logs/baseline.log" || ! run_suite "$logs/baseline.log"; then
    echo "The suite does not pass without a planted fault; see $logs/baseline.log" >&2
    exit 1
fi

caught=0 counted=0 results=()
for patch in "$here"/*.patch; do
    name=$(basename "$patch" .patch)
    log=$logs/$name.log
    if ! git -C "$root" apply "$patch" 2>"$log"; then
        results+=("does not apply  $name")
        continue
    fi
    planted=$patch
    if ! build_tree "$log"; then
        results+=("does not build  $name")
    elif run_suite "$log"; then
        results+=("NOT caught      $name")
        counted=$((counted + 1))
    else
        failed=$(sed -n '/tests FAILED:/,$p' "$log" | grep -c ' - ')
        results+=("caught          $name  ($failed failed)")
        caught=$((caught + 1)) counted=$((counted + 1))
    fi
    restore
    echo "${results[-1]}"
done

# The build again matches the tree it was found with.
build_tree "$logs/restored.log" || echo "Rebuilding the restored tree failed; see $logs/restored.log" >&2
echo
printf '%s\n' "${results[@]}"
echo "caught $caught of $counted"
