#!/usr/bin/env bash
# Prepares a Debian machine for the Windows build: installs MinGW-w64 and Wine,
# cross-builds the libraries that Debian ships for Linux only (TagLib and
# pugixml from Debian's source packages, GoogleTest from /usr/src/googletest)
# as static libraries, and makes a Wine prefix for the tests.
#
# Everything lands in a cache outside the build tree, TRACKMEND_WIN_DEPS
# (default ~/.cache/trackmend-mingw): prefix/ holds the libraries, wine/ the
# Wine prefix, src/ and work/ the sources and their build trees. A library is
# built again only when its Debian version, the compiler or this recipe
# changes, so a second run takes seconds.
#
# Installing packages and adding a deb-src entry need root; anyone else is
# told the commands to run. The script leaves a persistent wineserver running
# so that the tests do not each pay its start-up; `wineserver -k` ends it.
set -euo pipefail

readonly project=$(cd "$(dirname "$0")/../.." && pwd)
readonly deps=${TRACKMEND_WIN_DEPS:-$HOME/.cache/trackmend-mingw}
readonly prefix=$deps/prefix
readonly toolchain=$project/cmake/mingw-w64-x86_64.cmake
readonly triple=x86_64-w64-mingw32
readonly jobs=$(nproc)
# Raise when a recipe below changes, so that every cache builds again.
readonly recipe=1

export TRACKMEND_WIN_DEPS=$deps
export WINEPREFIX=$deps/wine
export WINEDLLOVERRIDES=mscoree,mshtml=
export WINEDEBUG=-all
export DEBIAN_FRONTEND=noninteractive

packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64
          dpkg-dev cmake make pkg-config googletest)

say() { echo "== $*"; }

need_root() {
  if [ "$(id -u)" != 0 ]; then
    echo "Run as root, or first: $*" >&2
    exit 1
  fi
}

install_packages() {
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  need_root "sudo apt-get install --no-install-recommends ${missing[*]}"
  say "installing ${missing[*]}"
  if ! apt-get install -y --no-install-recommends "${missing[@]}" >"$deps/apt.log" 2>&1; then
    apt-get update >>"$deps/apt.log" 2>&1
    apt-get install -y --no-install-recommends "${missing[@]}" >>"$deps/apt.log" 2>&1 ||
      { echo "apt-get could not install ${missing[*]}; see $deps/apt.log" >&2; exit 1; }
  fi
}

# deb-src entries for the suites of this release that the machine already
# uses, so that `apt-get source` finds the versions the Linux build links.
add_deb_src() {
  apt-get source --print-uris pugixml 2>/dev/null | grep -q "pugixml" && return
  need_root "add deb-src entries for your Debian suites to /etc/apt/sources.list.d"
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  local target=/etc/apt/sources.list.d/trackmend-deb-src.sources
  say "adding deb-src entries for $codename to $target"
  {
    # deb822 stanzas: copy those of this release with Types: deb-src.
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] && awk -v codename="$codename" '
        function flush() { if (text != "" && isDeb && suite) printf "%s\n", text; text = ""; isDeb = suite = 0 }
        /^[ \t]*$/ { flush(); next }
        /^Types:/ { isDeb = ($0 ~ /[ \t]deb([ \t]|$)/); text = text "Types: deb-src\n"; next }
        /^Suites:/ { suite = ($0 ~ codename) }
        { text = text $0 "\n" }
        END { flush() }' "$f"
    done
    # One-line entries become a stanza each.
    { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
      awk -v codename="$codename" '$1 == "deb" && $0 ~ codename {
        i = 2; signed = ""
        if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $i, $(i + 1)
        for (k = i + 2; k <= NF; k++) printf " %s", $k
        printf "\n\n" }'
  } >"$target"
  apt-get update >"$deps/apt.log" 2>&1 || { echo "apt-get update failed; see $deps/apt.log" >&2; exit 1; }
}

# The key that decides whether a cached build is still good.
build_key() { echo "$1 recipe=$recipe compiler=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)"; }

is_cached() { [ -f "$deps/stamps/$1" ] && [ "$(cat "$deps/stamps/$1")" = "$2" ]; }

mark_cached() { mkdir -p "$deps/stamps"; echo "$2" >"$deps/stamps/$1"; }

source_version() { apt-cache showsrc --only-source "$1" | sed -n 's/^Version: //p' | head -n 1; }

# Unpacks Debian's source package $1 (patches applied) and prints its folder.
fetch_source() {
  local name=$1 version=$2 upstream
  upstream=${version#*:}
  upstream=${upstream%-*}
  rm -rf "$deps/src/$name"
  mkdir -p "$deps/src/$name"
  (cd "$deps/src/$name" && apt-get source -q "$name=$version" >"$deps/src/$name.log" 2>&1) ||
    { echo "apt-get source $name failed; see $deps/src/$name.log" >&2; exit 1; }
  echo "$deps/src/$name/$name-$upstream"
}

# cmake_build NAME SOURCE-DIR ARGS...: a static Release build installed into the prefix.
cmake_build() {
  local name=$1 source=$2
  shift 2
  local work=$deps/work/$name
  rm -rf "$work"
  mkdir -p "$deps/work"
  cmake -S "$source" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >"$work.log" 2>&1 &&
    cmake --build "$work" -j "$jobs" >>"$work.log" 2>&1 &&
    cmake --install "$work" >>"$work.log" 2>&1 ||
    { echo "building $name failed; see $work.log" >&2; exit 1; }
}

build_taglib() {
  local version key source
  version=$(source_version taglib)
  key=$(build_key "taglib=$version")
  is_cached taglib "$key" && { say "TagLib $version: cached"; return; }
  say "TagLib $version: cross-building"
  source=$(fetch_source taglib "$version")
  # Debian's patch takes utf8-cpp from the system as <utf8/...>; the copy
  # bundled in the source serves the cross build under that name.
  mkdir -p "$source/3rdparty/include/utf8"
  cp "$source"/3rdparty/utf8-cpp/*.h "$source/3rdparty/include/utf8/"
  # zlib (compressed ID3v2 frames) comes from Debian's MinGW zlib, linked
  # statically as the executables are.
  cmake_build taglib "$source" -DBUILD_TESTING=OFF -DBUILD_EXAMPLES=OFF -DBUILD_BINDINGS=OFF \
    -DCMAKE_CXX_FLAGS="-I$source/3rdparty/include" -DWITH_ZLIB=ON \
    -DZLIB_INCLUDE_DIR=/usr/$triple/include -DZLIB_LIBRARY=/usr/$triple/lib/libz.a
  # A static TagLib must be compiled against with TAGLIB_STATIC (else its
  # headers ask for DLL imports), and linked with zlib.
  sed -i -e '/^Cflags:/{/TAGLIB_STATIC/!s/$/ -DTAGLIB_STATIC/}' \
         -e '/^Libs:/{/-lz/!s/$/ -lz/}' "$prefix/lib/pkgconfig/taglib.pc"
  mark_cached taglib "$key"
}

build_pugixml() {
  local version key source
  version=$(source_version pugixml)
  key=$(build_key "pugixml=$version")
  is_cached pugixml "$key" && { say "pugixml $version: cached"; return; }
  say "pugixml $version: cross-building"
  source=$(fetch_source pugixml "$version")
  cmake_build pugixml "$source" -DPUGIXML_BUILD_TESTS=OFF
  mark_cached pugixml "$key"
}

build_googletest() {
  local version key
  version=$(dpkg-query -W -f='${Version}' googletest)
  key=$(build_key "googletest=$version")
  is_cached googletest "$key" && { say "GoogleTest $version: cached"; return; }
  say "GoogleTest $version: cross-building"
  cmake_build googletest /usr/src/googletest -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON
  mark_cached googletest "$key"
}

# A Wine prefix made without network: the overrides keep wineboot from
# offering to download Mono and Gecko, and the timeout keeps a stuck
# first start from hanging the run.
prepare_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "Wine: creating the prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    timeout 300 wineboot --init >"$deps/wineboot.log" 2>&1 ||
      { echo "creating the Wine prefix failed; see $deps/wineboot.log" >&2; exit 1; }
    timeout 60 wineserver -w || true
  else
    say "Wine: prefix $WINEPREFIX ready"
  fi
  wineserver -p 2>/dev/null || true
}

# A program of the toolchain's own, run under Wine: proves the chain end to end.
smoke_test() {
  local dir=$deps/work/smoke
  mkdir -p "$dir"
  printf '%s\n' '#include <cstdio>' '#include <thread>' \
    'int main() { std::thread t([] { std::puts("ok"); }); t.join(); }' >"$dir/smoke.cc"
  $triple-g++-posix -std=c++20 -static -o "$dir/smoke.exe" "$dir/smoke.cc"
  [ "$(timeout 120 wine "$dir/smoke.exe" | tr -d '\r')" = ok ] ||
    { echo "a cross-built program does not run under Wine" >&2; exit 1; }
}

main() {
  mkdir -p "$deps"
  install_packages
  add_deb_src
  build_googletest
  build_pugixml
  build_taglib
  prepare_wine
  smoke_test
  say "Windows build dependencies ready in $deps"
}

main "$@"
