#!/usr/bin/env bash
# Builds the Debian package, installs it as a user would (apt-get pulls in
# what it needs), uses the installed programs on copies of the example
# playlists, and purges it again whatever happens, checking that every file
# it installed is gone.
# Usage: scripts/check-package.sh [build folder]   (default build/package;
# a folder that is not configured yet is configured without the tests)
# Needs root and apt-get; installs the tools it uses (dpkg-dev and file for
# CPack's dependency list, man-db) when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
build=${1:-build/package}
export DEBIAN_FRONTEND=noninteractive
apt=(apt-get -y -o DPkg::Lock::Timeout=600)

fail() {
  echo "check-package: $*" >&2
  exit 1
}

[ "$(id -u)" = 0 ] && command -v apt-get >/dev/null || fail "needs root and apt-get"
installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'
}
# The check ends by purging the package: one installed before is not ours to
# remove, except on a CI machine, where only a killed earlier check leaves it.
if installed trackmend; then
  [ "${CI:-}" = true ] || fail "the trackmend package is installed already; purge it first (apt-get purge trackmend)"
  "${apt[@]}" purge trackmend >/dev/null
fi

missing=()
for p in dpkg-dev file man-db; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  "${apt[@]}" install --no-install-recommends "${missing[@]}" >/dev/null ||
    { "${apt[@]}" update >/dev/null && "${apt[@]}" install --no-install-recommends "${missing[@]}" >/dev/null; }
fi

echo "== building the Debian package"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DTRACKMEND_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel 2
(cd "$build" && cpack -G DEB)
version=$(sed -n 's/^project(trackmend VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt).$(git rev-list --count HEAD)
deb=$source/$build/trackmend_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no package named $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libtag* && $depends == *libpugixml* ]] || fail "Depends lacks TagLib or pugixml: $depends"

work=$(mktemp -d "${TMPDIR:-/tmp}/trackmend-package-XXXXXX")
listed=$work/installed-files
purge() {
  local status=$? path left=0
  if installed trackmend; then
    "${apt[@]}" purge trackmend >/dev/null || status=1
  fi
  if [ -f "$listed" ]; then
    while IFS= read -r path; do
      # A folder may stay when another package shares it.
      [ "$path" = /. ] && continue
      if [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
      if [ -e "$path" ] || [ -L "$path" ]; then
        echo "left after the purge: $path" >&2
        left=1
      fi
    done <"$listed"
  fi
  rm -rf "$work"
  [ $left = 0 ] || status=1
  [ $status = 0 ] && echo "== purged; nothing of the package is left"
  exit $status
}
trap purge EXIT
trap 'exit 1' INT TERM

echo "== installing $(basename "$deb")"
(cd "$(dirname "$deb")" && "${apt[@]}" install "./$(basename "$deb")" >/dev/null)
dpkg -L trackmend >"$listed"
[ "$(command -v trackmend)" = /usr/bin/trackmend ] || fail "trackmend is not /usr/bin/trackmend"
man -w trackmend >/dev/null && man -w trackmend-scan >/dev/null ||
  fail "man finds no page (does a file in /etc/dpkg/dpkg.cfg.d exclude /usr/share/man?)"

echo "== using the installed programs on copies of the example playlists"
cp examples/library.m3u examples/road-trip.m3u examples/evening.pls examples/old-laptop.m3u "$work/"
cd "$work"
printf '1\n\n1\n' | trackmend -a -m missing.m3u library.m3u road-trip.m3u evening.pls
! cmp -s road-trip.m3u "$source/examples/road-trip.m3u" || fail "road-trip.m3u was not repaired"
[ -s missing.m3u ] || fail "no missing list"
# A music folder of empty song files: songs without tags, as trackmend-scan finds them.
grep -v '^#' "$source/examples/music.txt" | cut -f1 | while IFS= read -r song; do
  mkdir -p "music/$(dirname "$song")" && : >"music/$song"
done
trackmend-scan music scanned.m3u
trackmend -a scanned.m3u old-laptop.m3u </dev/null
! cmp -s old-laptop.m3u "$source/examples/old-laptop.m3u" || fail "old-laptop.m3u was not repaired"
