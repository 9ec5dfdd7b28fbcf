#!/usr/bin/env bash
# Builds and runs every test: the normal build, the sanitizer build (ASan + UBSan), and a short run of each fuzz
# target. Usage: scripts/test.sh [--quick]   (--quick: the normal build and its tests only)
set -euo pipefail
cd "$(dirname "$0")/.."
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy
jobs=$(nproc)
fuzz_seconds=${VELK_FUZZ_SECONDS:-5}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

run_suite() {  # preset
  echo "== $1: configure and build"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
  echo "== $1: tests"
  ctest --preset "$1" -j"$jobs" 2>&1 | tee "$logs/$1.log"
}

run_suite default
if [ "${1:-}" != "--quick" ]; then
  echo "== fuzz: configure and build"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j"$jobs"
  for target in build-fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    echo "== fuzz: $(basename "$target") for ${fuzz_seconds}s"
    corpus="$logs/corpus-$(basename "$target")"
    mkdir -p "$corpus"
    "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 "$corpus" \
      2>"$logs/fuzz.log" || { tail -n 50 "$logs/fuzz.log"; echo "fuzz target $(basename "$target") failed"; exit 1; }
  done
  run_suite asan
fi

# One closing line over every suite that ran.
passed=0; failed=0
for log in "$logs"/*.log; do
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -n 1) || continue
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad)); failed=$((failed + bad))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
