#!/usr/bin/env bash
# Builds every fuzz target with Clang's libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer; every library a target reaches is built with the
# fuzzer's instrumentation) and runs each target for SECONDS, JOBS at a time.
# Usage: scripts/fuzz.sh SECONDS [JOBS]   (BUILD_JOBS limits the build, default: all cores)
#
# Each target starts from its seed corpus in the repository and grows a working
# corpus in build/fuzz/corpus/<target> (kept between runs); what it finds lands in
# build/fuzz/findings/<target>/, its output in build/fuzz/logs/<target>.log. The
# script ends with one line per target and fails when any target found something.
# To keep a finding as a regression seed, copy it into the target's corpus folder
# in the repository; the test command replays every seed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-}
jobs=${2:-1}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ && "$jobs" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh SECONDS [JOBS]" >&2
  exit 2
fi
"$root/scripts/install-deps.sh" --fuzz

dir="$root/build/fuzz"
echo "== fuzz: configure and build with clang"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSUITE_SANITIZE=address,undefined -DSUITE_FUZZ=ON -DSUITE_BUILD_TESTS=OFF -DSUITE_BUILD_BENCH=OFF >/dev/null
mapfile -t lines < "$dir/fuzz_targets.txt"
targets=()
for line in "${lines[@]}"; do targets+=("${line%% *}"); done
cmake --build "$dir" -j "${BUILD_JOBS:-$(nproc)}" --target "${targets[@]}"

mkdir -p "$dir/logs"
run_one() {  # target, seed corpus
  local name=$1 seeds=$2
  local work="$dir/corpus/$name" found="$dir/findings/$name"
  rm -rf "$found"
  mkdir -p "$work" "$found"
  # libFuzzer writes what it learns into the first folder only: the seeds stay as they are.
  "$dir/bin/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$found/" "$work" "$seeds" >"$dir/logs/$name.log" 2>&1
}

echo "== fuzz: ${#targets[@]} targets, $seconds s each, $jobs at a time"
for line in "${lines[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_one "${line%% *}" "${line#* }" &
done
wait || true

failed=0
for name in "${targets[@]}"; do
  log="$dir/logs/$name.log"
  findings=$(find "$dir/findings/$name" -type f | wc -l)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  corpus=$(find "$dir/corpus/$name" -type f | wc -l)
  if [ "$findings" -gt 0 ] || ! grep -q '^Done [0-9]* runs' "$log"; then
    failed=1
    printf '%-28s FOUND %s (see %s)\n' "$name" "$findings" "$log"
  else
    printf '%-28s ok: %s runs, coverage %s, working corpus %s inputs\n' "$name" "${runs:-?}" "${cov:-?}" "$corpus"
  fi
done
exit $failed
