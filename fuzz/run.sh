#!/usr/bin/env bash
# Runs every fuzz target for SECONDS, seeded with the sample Torvex files and tests/data.
# Usage: fuzz/run.sh BUILD_DIR SECONDS   (BUILD_DIR configured with -DCALVORN_FUZZ=ON)
# The corpus grows in BUILD_DIR/fuzz-corpus/<target>; crashes land in BUILD_DIR/fuzz-artifacts.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
for file in "$build"/samples/*.wl "$build"/samples/*.wt "$build"/samples/*.wp \
            "$build"/samples/*.wb "$build"/samples/*.mpj; do
  [ -f "$file" ] && cp "$file" "$seeds/"
done
if [ -d "$source_dir/tests/data" ]; then
  find "$source_dir/tests/data" -type f -size -64k -exec cp {} "$seeds/" \;
fi
if [ -z "$(ls -A "$seeds")" ]; then
  echo "no seed files: build the 'samples' target in $build first" >&2
  exit 1
fi

status=0
for target in fuzz_reader; do
  binary="$build/fuzz/$target"
  corpus="$build/fuzz-corpus/$target"
  artifacts="$build/fuzz-artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $target: $seconds s"
  nice "$binary" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$seeds" || status=1
done
exit $status
