#!/usr/bin/env bash
# The main job: convert the bundled sample map (a project and a folder) into out/ and show
# where the Shapefiles and the conversion log are.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
samples="$top/$build/samples"
out="$top/out"
cli="$top/$build/cli/calvorn-cli"

if [ ! -d "$samples" ]; then
  echo "no sample files in $samples: run 'make build' first" >&2
  exit 1
fi
mkdir -p "$out"
if [ ! -x "$cli" ]; then
  echo "Sample Torvex files made in $samples:"
  ls -l "$samples"
  exit 0
fi
# The demo's own folder starts afresh: the converter itself never replaces a file, and --log
# appends.
rm -f "$out"/*.shp "$out"/*.shx "$out"/*.dbf "$out"/*.prj "$out/CalvornExp.log"
"$cli" --log "$out/CalvornExp.log" -o "$out" "$samples/map.mpj" "$samples"
echo
echo "Outputs in $out:"
ls -l "$out"
echo "Conversion log: $out/CalvornExp.log"
