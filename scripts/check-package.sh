#!/usr/bin/env bash
# Checks the Debian package that `make package` built: lintian finds no error, the desktop entry
# validates, and the programs run from the unpacked package: calvorn-cli --version, and the
# sample map it ships converted, with the log in the user's state folder.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
debs=("$top/$build"/calvorn_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "expected one calvorn_*.deb in $top/$build: run 'make package' first" >&2
  exit 1
fi
deb=${debs[0]}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/pkg"
echo "== $(basename "$deb"):"
dpkg-deb -f "$deb" Package Version Depends
desktop-file-validate "$root/pkg/usr/share/applications/calvorn.desktop"
lintian --fail-on error --tag-display-limit 0 "$deb"

mkdir -p "$root/home" "$root/out"
run() {
  env -i PATH=/usr/bin:/bin HOME="$root/home" LANG=C.UTF-8 "$@"
}
cli="$root/pkg/usr/bin/calvorn-cli"
run "$cli" --version
run "$cli" -o "$root/out" "$root/pkg/usr/share/calvorn/samples/map.mpj"
for output in roads.shp towns.shp lakes.shp parcels.dbf; do
  test -s "$root/out/$output"
done
test -s "$root/home/.local/state/calvorn/CalvornExp.log"
echo "== the package converts"
