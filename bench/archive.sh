#!/usr/bin/env bash
# What whole archives cost: the run report on the batch of bench/run.sh (200 small point files
# and 4 large line files, -j 1, with --report against without, alternating), and --resume
# deciding over the report of 100,002 files that are all done (a tree of 33,334 sheet folders
# of hard links to the samples, their outputs as empty files, the report of the run that made
# them), with the page cache warm. Prints the results as Markdown; docs/performance.md keeps
# the last ones.
#
#   bench/archive.sh [--runs N] [--build DIR] [--data DIR]
#
#   --runs N   runs of each (default 7)
#   --build    the build folder with calvorn-cli, calvorn-bench-data and the samples
#              (default build-bench, as `make bench` makes it)
#   --data     where the datasets are made and kept (default BUILD/archive-data, about 3 GB of
#              inodes and 60 MB of report: the outputs are empty files)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build-bench
data=""
runs=7
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift ;;
    --build) build=$2; shift ;;
    --data) data=$2; shift ;;
    *) echo "usage: $0 [--runs N] [--build DIR] [--data DIR]" >&2; exit 2 ;;
  esac
  shift
done
data=${data:-$build/archive-data}
cli=$build/cli/calvorn-cli
generator=$build/bench/calvorn-bench-data
for tool in "$cli" "$generator" /usr/bin/time python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
say() { echo "archive: $*" >&2; }

# timed OUT COMMAND...: runs COMMAND; prints "wall cpu" (user + system).
timed() {
  local out=$1
  shift
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >"$out" 2>"$work/stderr" ||
    { [ $? -le 1 ] || { cat "$work/stderr" >&2; exit 1; }; }
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time"
}
. "$repo/bench/lib.sh"
percent() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.1f %%", (a - b) / b * 100 }'; }

# ---- the batch, with and without the report -------------------------------------------------
if [ ! -d "$data/batch" ]; then
  say "making the batch in $data/batch"
  mkdir -p "$data/batch"
  "$generator" --seed 20240601 --points 2000 --lines 0 --polygons 0 --suffix S --no-csv \
    "$data" >&2
  "$generator" --seed 20240601 --points 0 --lines 200000 --polygons 0 --no-csv "$data" >&2
  for i in $(seq -w 1 200); do ln -f "$data/PS.wt" "$data/batch/small$i.wt"; done
  for i in 1 2 3 4; do ln -f "$data/L.wl" "$data/batch/large$i.wl"; done
fi
: >"$work/plain"; : >"$work/report"
for run in $(seq 1 "$runs"); do
  say "batch run $run/$runs"
  for kind in $( [ $((run % 2)) = 1 ] && echo "plain report" || echo "report plain"); do
    rm -rf "$work/b" && mkdir -p "$work/b" && sync
    extra=()
    [ "$kind" = report ] && extra=(--report "$work/b/report.jsonl")
    timed "$work/stdout" "$cli" "${extra[@]}" --log "$work/b/log.txt" -o "$work/b" \
      "$data/batch" >>"$work/$kind"
  done
done
pw=$(column_of 1 <"$work/plain" | median); rw=$(column_of 1 <"$work/report" | median)
pc=$(column_of 2 <"$work/plain" | median); rc=$(column_of 2 <"$work/report" | median)

# ---- resume over 100,002 files ---------------------------------------------------------------
tree=$data/resume
if [ ! -f "$tree/report.jsonl" ]; then
  say "making the tree of 100,002 files in $tree"
  rm -rf "$tree" && mkdir -p "$tree"
  python3 - "$build/samples" "$tree" <<'EOF'
import json, os, sys
samples, root = sys.argv[1], sys.argv[2]
os.chdir(root)
out = os.path.realpath("out")
kinds = {"roads.wl": "line", "towns.wt": "point", "lakes.wp": "polygon"}
with open("report.jsonl.new", "w", encoding="utf-8") as report:
    options = {"output_folder": out, "keep_tree": True, "split_annotations": False,
               "projection": True, "style_as_attributes": False, "delete_empty": True,
               "layer_map": None, "field_map": None, "jobs": 1, "shard": None, "resume": [],
               "log": "/dev/null", "sources": ["archive"]}
    run = {"type": "run", "version": 1, "program": "bench", "options": options,
           "host": "bench", "pid": 1, "start": "2026-01-01T00:00:00.000Z"}
    lines = [run]
    for i in range(33334):
        sheet = "sheet%05d" % i
        os.makedirs(os.path.join("archive", sheet))
        os.makedirs(os.path.join("out", sheet))
        for name, kind in kinds.items():
            source = os.path.join("archive", sheet, name)
            os.link(os.path.join(samples, name), source)
            info = os.stat(source)
            outputs = []
            for extension in (".shp", ".shx", ".dbf", ".prj"):
                output = sheet + "/" + name.split(".")[0] + extension
                open(os.path.join("out", output), "w").close()
                outputs.append(output)
            lines.append({"type": "file", "source": source, "size": info.st_size,
                          "mtime": info.st_mtime_ns, "kind": kind, "status": "ok",
                          "reason": None, "outcome": 0,
                          "records": {"stored": 5, "live": 4, "written": 4},
                          "outputs": outputs, "seconds": 0.001,
                          "log": ["开始转换【%s】------" % source,
                                  "------W__【备注】字段被截断为254字节，SHAPE不支持大于254字节的字符串类型字段",
                                  "------I__第【2】条记录中被标记为已删除",
                                  "------结束转换【全部正确转换(4/4)】------"]})
    lines.append({"type": "summary", "counts": {"ok": 100002, "empty": 0, "failed": 0,
                                                "stopped": 0, "skipped": 0},
                  "records": {"stored": 500010, "live": 400008, "written": 400008},
                  "seconds": 100.0})
    for line in lines:
        report.write(json.dumps(line, ensure_ascii=False, separators=(",", ":")) + "\n")
os.rename("report.jsonl.new", "report.jsonl")
EOF
fi
cd "$tree"
"$cli" --list archive >/dev/null  # the page cache warm
: >"$work/list"; : >"$work/resume"; : >"$work/continue"
for run in $(seq 1 "$runs"); do
  say "resume run $run/$runs"
  timed "$work/stdout" "$cli" --list archive >>"$work/list"
  timed "$work/stdout" "$cli" --log /dev/null --keep-tree --resume report.jsonl -o out archive \
    >>"$work/resume"
  grep -q "共有100002个文件已转换，本次跳过!" "$work/stdout" || { echo "not all skipped" >&2; exit 1; }
  rm -f "$work/continued.jsonl"
  timed "$work/stdout" "$cli" --log /dev/null --keep-tree --resume report.jsonl \
    --report "$work/continued.jsonl" -o out archive >>"$work/continue"
done
lw=$(column_of 1 <"$work/list" | median); lc=$(column_of 2 <"$work/list" | median)
sw=$(column_of 1 <"$work/resume" | median); sc=$(column_of 2 <"$work/resume" | median)
cw=$(column_of 1 <"$work/continue" | median); cc=$(column_of 2 <"$work/continue" | median)
size=$(du -m --apparent-size "$tree/report.jsonl" | cut -f1)

cat <<EOF
Measured $(date -u +%Y-%m-%d) by \`bench/archive.sh\`: medians of $runs runs, the page cache
warm, on $(nproc) cores ($(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)),
load average $(cut -d' ' -f1-3 /proc/loadavg) at the end (the machine is shared).

The batch of 204 files (\`-j 1\`), with and without \`--report\`:

| | Wall | CPU |
|---|---:|---:|
| without \`--report\` | $pw s | $pc s |
| with \`--report\` | $rw s | $rc s |
| cost of the report | $(percent "$rw" "$pw") | $(percent "$rc" "$pc") |

\`--resume\` over a report of 100,002 files ($size MB), all done, into a tree of 33,334 folders:

| Run | Wall | CPU |
|---|---:|---:|
| \`--list\`: scanning the tree alone | $lw s | $lc s |
| \`--resume\`: the scan, reading the report, deciding (every file skipped) | $sw s | $sc s |
| the same with \`--report\`, writing 100,002 \`skipped\` lines | $cw s | $cc s |
EOF
