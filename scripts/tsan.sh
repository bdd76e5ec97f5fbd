#!/usr/bin/env bash
# Builds the builder and window tests with ThreadSanitizer (in build-tsan) and runs them. Too slow
# for CI; run it after changing what the window and the worker thread share.
# Qt and glib are not instrumented: what they read and write is not watched
# (ignore_noninstrumented_modules), and scripts/tsan.supp says what else is silenced, and why.
set -euo pipefail
cd "$(dirname "$0")/.."
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER-ccache}
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan -j2 --target test_builder test_windows
export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp ignore_noninstrumented_modules=1 halt_on_error=0 second_deadlock_stack=1 ${TSAN_OPTIONS-}"
export QT_QPA_PLATFORM=offscreen
# The sanitizer's dlopen stands in for the caller, so the tests' run path no longer leads to the
# modules beside the programs: the library path does.
export LD_LIBRARY_PATH="$PWD/build-tsan/Orvella${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
status=0
for test in build-tsan/tests/builder/test_builder build-tsan/tests/app/test_windows; do
  # The sanitizer's shadow memory needs the address layout without randomisation.
  setarch "$(uname -m)" -R "$test" || status=1
done
exit $status
