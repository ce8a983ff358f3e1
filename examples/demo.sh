#!/bin/sh
# Repairs copies of the bundled example playlists in a temporary folder and
# shows what changed; then writes the example music folder (tiny tagged
# audio files) and repairs a playlist against the folder itself.
# Usage: demo.sh <path-to-trackmend> [<path-to-make_music>]
set -eu
bin=${1:?usage: demo.sh <path-to-trackmend> [<path-to-make_music>]}
make_music=${2:-}
case $bin in /*) ;; *) bin=$(pwd)/$bin ;; esac
case $make_music in /*|'') ;; *) make_music=$(pwd)/$make_music ;; esac
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

[ -n "$make_music" ] || exit 0
echo
"$make_music" "$here/music.txt" music
cp "$here/old-laptop.m3u" "$work/"
cp "$here/old-laptop.m3u" "$work/before/"
echo "== The music folder: $(find music -type f | wc -l) tagged songs, $(find music -type f -printf '%s\n' | awk '{n += $1} END {print n}') bytes in all"
find music -type f | sort
echo
echo "== trackmend -a music old-laptop.m3u"
echo "== (the folder is the list of valid songs; one question, answered 1)"
echo
printf '1\n' | "$bin" -a music old-laptop.m3u
echo "== What changed in old-laptop.m3u"
diff -u --label before/old-laptop.m3u --label after/old-laptop.m3u before/old-laptop.m3u old-laptop.m3u || true
