#!/usr/bin/env bash
# Builds every target and runs every test: all suites with AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded suites once more with ThreadSanitizer,
# and all suites once more as an optimised Release build without sanitizers
# (warnings are errors in every build, and -O3 sees warnings that -O0 does not).
# Usage: scripts/test.sh [extra ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

run_suite() {  # name, build type, sanitizers, ctest selection...
  local name=$1 type=$2 sanitize=$3; shift 3
  local dir="$root/build/$name"
  echo "== $name: configure and build"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DSUITE_SANITIZE="$sanitize" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $name: test"
  # A private session bus for the tests that talk D-Bus; none of them touch the user's own.
  dbus-run-session -- ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@"
}

run_suite asan Debug address,undefined "$@"
run_suite tsan Debug thread -L threads "$@"
run_suite rel Release "" "$@"
echo "== all tests passed"
