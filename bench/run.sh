#!/usr/bin/env bash
# The benchmark: calvorn-cli (one file, default options) against
# `ogr2ogr -f "ESRI Shapefile" -lco ENCODING=UTF-8` on the same features, calvorn-cli on one
# thread and on two; `ogr2ogr -f GPKG` from the Torvex file through the GDAL driver against the
# same from FlatGeobuf; the memory of a conversion four times the size, a batch on one thread
# and on all, and the micro-benchmarks. The results replace the part of the output file between
# the two "bench/run.sh" markers (or make up the whole file when it has none).
#
#   bench/run.sh [--quick | --runs N | --smoke] [--build DIR] [--data DIR] [--out FILE]
#
#   --runs N   alternating runs per dataset (default 7); --quick is --runs 3
#   --smoke    a few hundred features, one run, no large files: only shows that it all works
#   --build    the build folder with calvorn-cli, the bench targets and gdal/gdal_Torvex.so
#              (default build-bench; without the plugin the GeoPackage table is left out)
#   --data     where the datasets are made and kept (default BUILD/bench-data)
#   --out      the results file (default docs/performance.md)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build-bench
data=""
out=$repo/docs/performance.md
runs=7
smoke=0
while [ $# -gt 0 ]; do
  case $1 in
    --quick) runs=3 ;;
    --runs) runs=$2; shift ;;
    --smoke) smoke=1; runs=1 ;;
    --build) build=$2; shift ;;
    --data) data=$2; shift ;;
    --out) out=$2; shift ;;
    *) echo "usage: $0 [--quick | --runs N | --smoke] [--build DIR] [--data DIR] [--out FILE]" >&2
       exit 2 ;;
  esac
  shift
done
data=${data:-$build/bench-data}

cli=$build/cli/calvorn-cli
generator=$build/bench/calvorn-bench-data
micro=$build/bench/calvorn-micro-bench
for tool in "$cli" "$generator" "$micro"; do
  [ -x "$tool" ] || { echo "missing $tool: build with -DCALVORN_BUILD_BENCH=ON" >&2; exit 1; }
done
for tool in ogr2ogr /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

if [ $smoke = 1 ]; then
  points=300 lines=100 polygons=100 precisePoints=300 preciseLines=100 big=0 small=6
  smallPoints=50 large=2
else
  points=1000000 lines=200000 polygons=100000 precisePoints=300000 preciseLines=60000
  big=4000000 small=200 smallPoints=2000 large=4
fi
seed=20240601
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
say() { echo "bench: $*" >&2; }

# ---- datasets ------------------------------------------------------------------------------
stamp="$seed $points $lines $polygons $precisePoints $preciseLines $big $small $smallPoints $large"
if [ "$(cat "$data/stamp" 2>/dev/null)" != "$stamp" ]; then
  say "making the datasets in $data"
  rm -rf "$data"
  mkdir -p "$data"
  "$generator" --seed $seed --points $points --lines $lines --polygons $polygons "$data" >&2
  # The same six fields with a double 24 wide with 15 decimals.
  "$generator" --seed $seed --points $precisePoints --lines $preciseLines --polygons 0 \
    --precise --suffix 24 "$data" >&2
  for set in P:POINT L:LINESTRING A:POLYGON P24:POINT L24:LINESTRING; do
    name=${set%%:*}
    ogr2ogr -f FlatGeobuf -lco SPATIAL_INDEX=NO -oo KEEP_GEOM_COLUMNS=NO -nlt "${set##*:}" \
      "$data/$name.fgb" "$data/$name.csv"
    rm -f "$data/$name.csv"
  done
  if [ $big -gt 0 ]; then
    "$generator" --seed $seed --points $big --lines 0 --polygons 0 --suffix 4M --no-csv "$data" >&2
  fi
  # The batch: small point files and large line files, named apart.
  mkdir -p "$data/batch"
  "$generator" --seed $seed --points $smallPoints --lines 0 --polygons 0 --suffix S --no-csv \
    "$data" >&2
  for i in $(seq -w 1 $small); do ln "$data/PS.wt" "$data/batch/small$i.wt"; done
  for i in $(seq 1 $large); do ln "$data/L.wl" "$data/batch/large$i.wl"; done
  echo "$stamp" >"$data/stamp"
fi

# ---- measuring -----------------------------------------------------------------------------
# run_timed FOLDER COMMAND...: runs COMMAND in a fresh FOLDER; prints "wall cpu peakKB".
# The earlier runs' files are written out first: otherwise the system writes them back while
# the run is timed, on one of the cores the run wants.
run_timed() {
  local folder=$1
  shift
  rm -rf "$folder"
  mkdir -p "$folder"
  sync
  if ! /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >"$work/stdout" 2>"$work/stderr"; then
    echo "failed: $*" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
}

. "$repo/bench/lib.sh"
maximum() { sort -g | tail -1; }
mb() { awk '{ printf "%.1f MiB", $1 / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
thousands() {
  awk -v n="$1" 'BEGIN { n = sprintf("%.0f", n); s = ""
                         while (length(n) > 3) { s = "," substr(n, length(n) - 2) s
                                                 n = substr(n, 1, length(n) - 3) }
                         print n s }'
}
per_second() {
  awk -v n="$1" -v t="$2" 'BEGIN { if (t > 0) printf "%.0f\n", n / t; else print 0 }' |
    { read -r value; thousands "$value"; }
}

# The converted features: the .shx has 100 bytes and 8 a shape.
expect_shapes() {
  local size
  size=$(stat -c %s "$1")
  [ "$size" -eq $((100 + 8 * $2)) ] || { echo "$1: not $2 shapes" >&2; exit 1; }
}

# same_files A B: the folders hold the same files, byte for byte but for the .dbf header's date.
same_files() {
  local file name
  [ "$(ls "$1")" = "$(ls "$2")" ] || return 1
  for file in "$1"/*; do
    name=$(basename "$file")
    case $name in
      *.dbf) cmp -s <(head -c 1 "$file"; tail -c +5 "$file") \
                    <(head -c 1 "$2/$name"; tail -c +5 "$2/$name") || return 1 ;;
      *.log) ;;
      *) cmp -s "$file" "$2/$name" || return 1 ;;
    esac
  done
}

# One thread: calvorn-cli allowed one core (it then starts no reading thread), as with -j 1 on
# a machine of one core; two threads: its default on this machine.
oneCpu=$(taskset -pc $$ | sed 's/.*: //; s/[-,].*//')
rows=""
for set in P:wt:$points L:wl:$lines A:wp:$polygons P24:wt:$precisePoints L24:wl:$preciseLines; do
  IFS=: read -r name extension count <<<"$set"
  : >"$work/one" ; : >"$work/two" ; : >"$work/ogr"
  for run in $(seq 1 "$runs"); do
    say "$name run $run/$runs"
    # Rotating, so that none always runs on a warmer or busier machine.
    case $((run % 3)) in
      1) order="one ogr two" ;;
      2) order="ogr two one" ;;
      *) order="two one ogr" ;;
    esac
    for tool in $order; do
      case $tool in
        one) run_timed "$work/one.out" taskset -c "$oneCpu" "$cli" \
               --log "$work/one.out/CalvornExp.log" "$data/$name.$extension" "$work/one.out" \
               >>"$work/one"
             expect_shapes "$work/one.out/$name.shx" "$count" ;;
        two) run_timed "$work/two.out" "$cli" --log "$work/two.out/CalvornExp.log" \
               "$data/$name.$extension" "$work/two.out" >>"$work/two"
             expect_shapes "$work/two.out/$name.shx" "$count" ;;
        ogr) run_timed "$work/o" ogr2ogr -f "ESRI Shapefile" -lco ENCODING=UTF-8 \
               "$work/o/$name.shp" "$data/$name.fgb" >>"$work/ogr"
             expect_shapes "$work/o/$name.shx" "$count" ;;
      esac
    done
  done
  same_files "$work/one.out" "$work/two.out" ||
    { echo "$name: one thread and two wrote different files" >&2; exit 1; }
  ow=$(column_of 1 <"$work/ogr" | median); oc=$(column_of 2 <"$work/ogr" | median)
  om=$(column_of 3 <"$work/ogr" | maximum | mb)
  rows+="| $name | $(thousands "$count") | $ow s"
  for way in one two; do
    w=$(column_of 1 <"$work/$way" | median)
    rows+=" | $w s | **$(ratio "$w" "$ow")**"
  done
  for way in one two; do
    c=$(column_of 2 <"$work/$way" | median)
    rows+=" | $c s ($(ratio "$c" "$oc"))"
  done
  rows+=" | $oc s | $(per_second "$count" "$(column_of 1 <"$work/two" | median)")"
  rows+=" | $(column_of 3 <"$work/one" | maximum | mb) | $(column_of 3 <"$work/two" | maximum | mb)"
  rows+=" | $om |"$'\n'
done

# ogr2ogr to GeoPackage from the Torvex file through the driver and from FlatGeobuf; both with
# the plugin folder named, so both pay for loading it.
expect_features() {
  ogrinfo -ro -so "$1" "$2" | grep -q "^Feature Count: $3\$" || { echo "$1: not $3 features" >&2; exit 1; }
}
gpkgRows=""
if [ -f "$build/gdal/gdal_Torvex.so" ]; then
  for set in P:wt:$points L:wl:$lines A:wp:$polygons; do
    IFS=: read -r name extension count <<<"$set"
    : >"$work/driver" ; : >"$work/fgb"
    for run in $(seq 1 "$runs"); do
      say "$name to GeoPackage, run $run/$runs"
      for source in $( [ $((run % 2)) = 1 ] && echo "driver fgb" || echo "fgb driver"); do
        input=$data/$name.$( [ "$source" = driver ] && echo "$extension" || echo fgb)
        run_timed "$work/g" env GDAL_DRIVER_PATH="$build/gdal" ogr2ogr -f GPKG -nln "$name" \
          "$work/g/$name.gpkg" "$input" >>"$work/$source"
        expect_features "$work/g/$name.gpkg" "$name" "$count"
      done
    done
    dw=$(column_of 1 <"$work/driver" | median); fw=$(column_of 1 <"$work/fgb" | median)
    dc=$(column_of 2 <"$work/driver" | median); fc=$(column_of 2 <"$work/fgb" | median)
    dm=$(column_of 3 <"$work/driver" | maximum | mb); fm=$(column_of 3 <"$work/fgb" | maximum | mb)
    gpkgRows+="| $name | $(thousands "$count") | $dw s | $fw s | **$(ratio "$dw" "$fw")** | $dc s"
    gpkgRows+=" | $fc s | $(ratio "$dc" "$fc") | $dm | $fm |"$'\n'
  done
fi
gpkgSection=""
if [ -n "$gpkgRows" ]; then
  gpkgSection="\`ogr2ogr -f GPKG\` from the Torvex file through the GDAL driver (\`gdal_Torvex.so\`) and from
the same features in FlatGeobuf:

| Dataset | Features | from Torvex | from FlatGeobuf | Wall ratio | CPU from Torvex | CPU from FlatGeobuf | CPU ratio | Peak RSS from Torvex | Peak RSS from FlatGeobuf |
|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|
$gpkgRows"
fi

memory=""
for set in P:$points P4M:$big; do
  IFS=: read -r name count <<<"$set"
  [ "$count" -gt 0 ] || continue
  say "memory of $name"
  line=$(run_timed "$work/m" "$cli" --log "$work/m/CalvornExp.log" "$data/$name.wt" "$work/m")
  expect_shapes "$work/m/$name.shx" "$count"
  size=$(du -m --apparent-size "$data/$name.wt" | cut -f1)
  memory+="| $name | $(thousands "$count") | $size MiB | $(echo "$line" | column_of 1) s"
  memory+=" | $(echo "$line" | column_of 3 | mb) |"$'\n'
done

cores=$(nproc)
batchLoad=$(cut -d' ' -f1 /proc/loadavg)
: >"$work/j1"; : >"$work/jn"
for run in $(seq 1 "$runs"); do
  say "batch run $run/$runs"
  for jobs in $( [ $((run % 2)) = 1 ] && echo "1 $cores" || echo "$cores 1"); do
    file=$work/j$( [ "$jobs" = 1 ] && echo 1 || echo n)
    run_timed "$work/b" "$cli" -j "$jobs" --log "$work/b/CalvornExp.log" -o "$work/b" \
      "$data/batch" >>"$file"
  done
done
j1=$(column_of 1 <"$work/j1" | median); jn=$(column_of 1 <"$work/jn" | median)
j1cpu=$(column_of 2 <"$work/j1" | median); jncpu=$(column_of 2 <"$work/jn" | median)
j1mem=$(column_of 3 <"$work/j1" | maximum | mb); jnmem=$(column_of 3 <"$work/jn" | maximum | mb)
batchFiles=$((small + large))

say "micro-benchmarks"
if [ $smoke = 1 ]; then
  microArgs=(--benchmark_filter='BM_DbfNumber|BM_DbfRowWrite|BM_Crc32' --benchmark_min_time=0.01)
else
  microArgs=(--benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true
             --benchmark_min_time=0.5)
fi
"$micro" "${microArgs[@]}" --benchmark_format=csv 2>/dev/null >"$work/micro.csv"
# name,iterations,real_time,cpu_time,time_unit,...: medians when repeated, else the one run.
microRows=$(awk -F, -v repeated=$((smoke == 0)) '
  /^"BM_/ { name = $1; gsub(/"/, "", name)
            if (repeated && name !~ /_median$/) next
            sub(/_median$/, "", name)
            printf "| %s | %.1f %s | %.1f %s |\n", name, $3, $5, $4, $5 }' "$work/micro.csv")
progress=$(awk -F, '/"BM_Convert\/progress:0(_median)?"/ { t0 = $4 }
                    /"BM_Convert\/progress:1(_median)?"/ { t1 = $4 }
                    END { if (t0 > 0) printf "%+.1f %%", (t1 - t0) / t0 * 100; else print "not measured" }' \
  "$work/micro.csv")

# ---- the report ----------------------------------------------------------------------------
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:FILEPATH=//p' "$build/CMakeCache.txt")
buildType=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")
results=$(cat <<EOF
Measured $(date -u +%Y-%m-%d) by \`bench/run.sh\`$( [ $smoke = 1 ] && echo " --smoke (tiny datasets: not a measurement)"):
medians of $runs alternating runs, each into a fresh folder after \`sync\`, the page cache warm.

- Machine: $cores cores ($(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)),
  $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo) memory, load average
  $(cut -d' ' -f1-3 /proc/loadavg) at the end (the machine is shared).
- Versions: $(ogr2ogr --version | cut -d, -f1), shapelib $(pkg-config --modversion shapelib),
  $("${compiler:-c++}" --version | head -1), build type ${buildType:-?}.

Datasets P24 and L24 have a value field 24 wide with 15 decimals (16.4 in P, L and A).
Wall ratio: calvorn-cli's wall time over ogr2ogr's; CPU in brackets: the same for the CPU
time (user + system). One thread: \`taskset -c $oneCpu calvorn-cli\`; two: \`calvorn-cli\`.
Both wrote the same files, byte for byte.

| Dataset | Features | ogr2ogr | One thread | Wall ratio | Two threads | Wall ratio | CPU one thread | CPU two threads | ogr2ogr CPU | Features/s, two threads | Peak RSS one thread | Peak RSS two threads | ogr2ogr peak RSS |
|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|
$rows
$gpkgSection
Peak memory of calvorn-cli (one run each):

| Source | Features | File size | Wall | Peak RSS |
|---|---:|---:|---:|---:|
$memory
A batch of $small small point files ($smallPoints points each) and $large large line files
($lines lines each), \`calvorn-cli -o\`; the load average was $batchLoad before these runs (the
speed-up needs idle cores: with the machine busy, the second thread waits for one):

| Files | -j 1 | -j $cores | Speed-up | CPU -j 1 | CPU -j $cores | Peak RSS -j 1 | Peak RSS -j $cores |
|---:|---:|---:|---:|---:|---:|---:|---:|
| $batchFiles | $j1 s | $jn s | **$(ratio "$j1" "$jn")** | $j1cpu s | $jncpu s | $j1mem | $jnmem |

Micro-benchmarks (\`calvorn-micro-bench\`$( [ $smoke = 0 ] && echo ", medians of $runs repetitions")):

| Benchmark | Wall | CPU |
|---|---:|---:|
$microRows

Progress reporting (BM_Convert, 200,000 points, with a callback against without): $progress.
EOF
)
begin='<!-- bench/run.sh: results begin -->'
end='<!-- bench/run.sh: results end -->'
if [ -f "$out" ] && grep -qF "$begin" "$out"; then
  printf '%s\n' "$results" >"$work/results"
  awk -v begin="$begin" -v end="$end" -v file="$work/results" '
    $0 == begin { print; while ((getline line < file) > 0) print line; skip = 1; next }
    $0 == end { skip = 0 }
    !skip { print }' "$out" >"$work/out"
  cp "$work/out" "$out"
else
  printf '%s\n%s\n%s\n' "$begin" "$results" "$end" >"$out"
fi
say "results in $out"
