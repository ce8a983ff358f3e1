#!/usr/bin/env bash
# Runs representative trackmend runs under valgrind memcheck and reports
# each as clean or unclean. Exits with 1 when any run is unclean.
#
#   tests/faults/valgrind_e2e.sh <path-to-trackmend>
#
# Needs a build without sanitizers (valgrind and AddressSanitizer exclude
# each other).
set -uo pipefail

tool="${1:?usage: $0 <path-to-trackmend>}"
tool="$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")"
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 2; }
work="$(mktemp -d "${TMPDIR:-/tmp}/trackmend-valgrind-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

songs() {  # songs <count> <prefix> [line end]
  local i
  for ((i = 0; i < $1; ++i)); do printf '%s%d/song%d.mp3%b' "$2" $((i % 7)) "$i" "${3:-\n}"; done
}
fresh() {
  rm -f ./*.m3u ./*.pls
  songs 40 /music/ >valid.m3u
  songs 3 /gone/ >missing.m3u
  printf '#EXTM3U\n#EXTINF:61,Three\n/old/3/song3.mp3\n/music/1/song8.mp3\n/elsewhere/4/song4.mp3\n' >broken.m3u
  printf '[playlist]\nnumberofentries=2\nFile1=/old/2/song2.mp3\nTitle1=Two\nLength1=2\nFile2=/x/song9.mp3\n' >old.pls
}

status=0
check() {  # check <name> <expected exit status> <stdin text> <args...>
  local name="$1" expected="$2" input="$3"
  shift 3
  fresh
  printf '%b' "$input" | valgrind --quiet --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --track-fds=no "$tool" "$@" >"$name.out" 2>"$name.err"
  local rc=$?
  if [ "$rc" -eq 99 ] || grep -q '^==[0-9]*== ' "$name.err"; then
    echo "unclean  $name (exit $rc)"
    grep '^==[0-9]*== ' "$name.err" | head -30
    status=1
  elif [ "$rc" -ne "$expected" ]; then
    echo "FAILED   $name: exit $rc, expected $expected"
    tail -5 "$name.err"
    status=1
  else
    echo "clean    $name (exit $rc)"
  fi
}

check help 1 '' -h
check missing-arguments 1 '' valid.m3u
check repair-dialogue 0 '1\nm\nm\nl\n0.05\n\nd\n' -m missing.m3u valid.m3u broken.m3u old.pls
check repair-automatic 0 '' -a -e 0 -d -P valid.m3u broken.m3u
check convert-and-rename 0 '' -M -s 0.9 valid.m3u old.pls
check end-of-input 0 '' -c -k -A -m missing.m3u valid.m3u broken.m3u
check duplicate-finder 0 '' -D -v 0,5 -t 10 valid.m3u dupes.pls
check unreadable-playlist 0 '' valid.m3u . absent.m3u broken.m3u
check bad-number 1 '' -s 1.2.3 valid.m3u broken.m3u
exit "$status"
