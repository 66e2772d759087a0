#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each. The reader and the GDAL driver are seeded with the
# sample Torvex files, every target with its committed seeds in
# fuzz/corpus/<target>. fuzz_gdal runs only when it was built (GDAL's development files).
# Usage: fuzz/run.sh BUILD_DIR SECONDS   (BUILD_DIR configured with -DCALVORN_FUZZ=ON)
# FUZZ_TARGETS="fuzz_ini_file ..." runs only those. The corpus grows in
# BUILD_DIR/fuzz-corpus/<target>; crashes land in BUILD_DIR/fuzz-artifacts/<target>/.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
default_targets="fuzz_reader fuzz_layer_map fuzz_ini_file fuzz_command_line"
[ -x "$build/fuzz/fuzz_gdal" ] && default_targets+=" fuzz_gdal"
targets=${FUZZ_TARGETS:-$default_targets}

seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
mkdir -p "$seeds/fuzz_reader"
for file in "$build"/samples/*.wl "$build"/samples/*.wt "$build"/samples/*.wp \
            "$build"/samples/*.wb "$build"/samples/*.mpj; do
  [ -f "$file" ] && cp "$file" "$seeds/fuzz_reader/"
done
if [ -z "$(ls -A "$seeds/fuzz_reader")" ]; then
  echo "no seed files: build the 'samples' target in $build first" >&2
  exit 1
fi
cp -r "$seeds/fuzz_reader" "$seeds/fuzz_gdal"

# Longest input per target: Torvex files need room, the text inputs do not.
max_len() {
  case $1 in
    fuzz_reader | fuzz_gdal) echo 65536 ;;
    fuzz_command_line) echo 1024 ;;
    *) echo 8192 ;;
  esac
}

status=0
passed=0
failed=0
for target in $targets; do
  binary="$build/fuzz/$target"
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-artifacts/$target/"
  committed="$source_dir/fuzz/corpus/$target"
  mkdir -p "$corpus" "$artifacts" "$seeds/$target"
  if [ -d "$committed" ]; then
    cp "$committed"/* "$seeds/$target/" 2>/dev/null || true
  fi
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$(dirname "$log")"
  # libFuzzer reports every new input; keep that in a file and show the outcome.
  if nice -n 10 "$binary" -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts" \
    "$corpus" "$seeds/$target" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "$target: $(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}') runs in $seconds s, no finding"
  else
    failed=$((failed + 1))
    status=1
    echo "$target: FINDING (inputs in $artifacts); the end of $log:"
    tail -n 40 "$log"
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
