#!/bin/sh
# Repairs copies of the bundled example playlists in a temporary folder and
# shows what changed. Usage: demo.sh <path-to-trackmend>
set -eu
bin=${1:?usage: demo.sh <path-to-trackmend>}
case $bin in /*) ;; *) bin=$(pwd)/$bin ;; esac
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/trackmend-demo-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

cp "$here/library.m3u" "$here/road-trip.m3u" "$here/evening.pls" "$work/"
mkdir "$work/before"
cp "$here/road-trip.m3u" "$here/evening.pls" "$work/before/"
cd "$work"

echo "== trackmend -a -m missing.m3u library.m3u road-trip.m3u evening.pls"
echo "== (three questions are asked; the answers 1, ENTER and 1 are piped in)"
echo
# The dialogue goes to standard error, progress and statistics to standard output.
printf '1\n\n1\n' | "$bin" -a -m missing.m3u library.m3u road-trip.m3u evening.pls

for list in road-trip.m3u evening.pls; do
  echo "== What changed in $list"
  diff -u --label "before/$list" --label "after/$list" "before/$list" "$list" || true
  echo
done
echo "== missing.m3u: the entries left unrepaired"
cat missing.m3u
