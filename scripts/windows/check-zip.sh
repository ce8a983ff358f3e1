#!/usr/bin/env bash
# Checks the ZIP that `cpack -G ZIP` made in the Windows build folder: the
# two programs, the README, the licence and the third-party notices at its
# top and nothing else; programs that load no DLL but Windows' own (all else
# is linked in, so they run on any Windows); and both of them working under
# Wine from the unpacked folder: a folder scanned, a playlist repaired.
# Usage: scripts/windows/check-zip.sh [build folder]   (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/windows}
deps=${TRACKMEND_WIN_DEPS:-$HOME/.cache/trackmend-mingw}

fail() {
  echo "check-zip: $*" >&2
  exit 1
}

zips=("$build"/trackmend-*-win64.zip)
[ ${#zips[@]} = 1 ] && [ -f "${zips[0]}" ] || fail "not one trackmend-<version>-win64.zip in $build"
zip=${zips[0]}
listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$listed" = "LICENSE README.md THIRD-PARTY-NOTICES.txt trackmend-scan.exe trackmend.exe " ] ||
  fail "$zip holds: $listed"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
for program in trackmend trackmend-scan; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$unpacked/$program.exe" | sed -n 's/^\s*DLL Name: //p' | sort -u |
         tr '\n' ' ')
  [ "$dlls" = "KERNEL32.dll SHELL32.dll msvcrt.dll " ] || fail "$program.exe loads $dlls"
done
for library in "Mozilla Public License" pugixml zlib MinGW-w64 "Runtime Library Exception"; do
  grep -q "$library" "$unpacked/THIRD-PARTY-NOTICES.txt" || fail "no notice of $library"
done

wine() {
  (cd "$unpacked" && env WINEPREFIX="$deps/wine" WINEDLLOVERRIDES=mscoree,mshtml= WINEDEBUG=-all LC_ALL=C.UTF-8 \
    wine "$@" </dev/null)
}
mkdir -p "$unpacked/music/Band/Album"
printf 'no audio\n' > "$unpacked/music/Band/Album/01 Song.mp3"
printf 'old\\Band\\Album\\01 Song.mp3\n' > "$unpacked/road.m3u"
wine ./trackmend-scan.exe music library.m3u >/dev/null || fail "trackmend-scan.exe failed"
wine ./trackmend.exe -a library.m3u road.m3u >/dev/null 2>&1 || fail "trackmend.exe failed"
grep -q '^music\\Band\\Album\\01 Song.mp3$' "$unpacked/road.m3u" ||
  fail "road.m3u not repaired: $(cat "$unpacked/road.m3u")"
echo "check-zip: $(basename "$zip") holds both programs, standing alone, and they work"
