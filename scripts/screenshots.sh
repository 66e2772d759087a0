#!/usr/bin/env bash
# Screenshots of the desktop program for the documentation, at 1× and 2×: the main window after
# converting the sample map (and one damaged file), the summary of that run, the log view of
# the damaged file, the settings dialog and the about box.
# Runs the program in its screenshot mode on a virtual X server (xvfb-run) and writes
# docs/screenshots/{main,summary,log,settings,about}{,@2x}.png.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
calvorn="$top/$build/ui/calvorn"
samples="$top/$build/samples"
shots="$top/docs/screenshots"

if [ ! -x "$calvorn" ] || [ ! -d "$samples" ]; then
  echo "no $calvorn or $samples: run 'make build' first" >&2
  exit 1
fi
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing: run 'make deps'" >&2; exit 1; }

# A small, tidy world for the pictures: the samples in a data folder, an output folder, and the
# user's settings pointing at them (the user's settings file wins over the one beside the program).
demo="${TMPDIR:-/tmp}/calvorn-screenshots"
rm -rf "$demo"
trap 'rm -rf "$demo"' EXIT
mkdir -p "$demo/地图数据" "$demo/输出" "$demo/config/calvorn" "$demo/runtime"
chmod 700 "$demo/runtime"
cp "$samples"/*.wt "$samples"/*.wl "$samples"/*.wp "$samples"/*.wb "$demo/地图数据/"
# A file cut short in a copy: the row that fails, and the log view that tells why.
head -c 200 "$samples/roads.wl" > "$demo/地图数据/旧道路.wl"
printf 'roads,道路\n' > "$demo/地图数据/Calvorn.lyr"
printf 'NAME,名称\n' > "$demo/地图数据/Calvorn.fld"
cat > "$demo/config/calvorn/calvorn.ini" <<INI
[Options]
WorkPath=$demo/输出
LogPath=$demo/输出
LayerMap=$demo/地图数据/Calvorn.lyr
FieldMap=$demo/地图数据/Calvorn.fld
INI

mkdir -p "$shots"
for scale in 1 2; do
  suffix=""
  [ "$scale" = 2 ] && suffix="@2x"
  rm -f "$demo/输出"/*
  env XDG_CONFIG_HOME="$demo/config" XDG_RUNTIME_DIR="$demo/runtime" \
      QT_SCALE_FACTOR="$scale" LANG=C.UTF-8 \
      CALVORN_SCREENSHOT="$shots" CALVORN_SCREENSHOT_SUFFIX="$suffix" \
      CALVORN_SCREENSHOT_SOURCES="$demo/地图数据" CALVORN_SCREENSHOT_OUTPUT="$demo/输出" \
      xvfb-run -a -s "-screen 0 2560x1600x24" "$calvorn"
done
echo "Screenshots in $shots:"
ls -l "$shots"
