#!/usr/bin/env bash
# Checks the Debian package that `make package` built: lintian finds no error, the desktop entry
# validates, and the programs run from the unpacked package: calvorn-cli --version, and a sample
# converted with the settings and the log in the user's folders.
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
run "$cli" -o "$root/out" "$top/$build/samples/roads.wl"
test -s "$root/out/roads.shp"
test -s "$root/home/.local/state/calvorn/CalvornExp.log"
echo "== the package converts"
