#!/usr/bin/env bash
# Installs the Debian packages the build needs that are missing: TagLib (audio
# tags of a music folder), pugixml (XML playlists) and pkg-config, and groff
# (the manual pages' test). Needs root and apt-get; anyone else gets the one
# line to run.
set -u
packages=(libtag1-dev libpugixml-dev pkg-config groff-base)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null 2>&1; then
  echo "Missing build packages; install them with:" >&2
  echo "    sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
echo "Installing the build packages: ${missing[*]}"
log=/tmp/trackmend-build-deps.log
if ! apt-get install -y --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
  apt-get update >>"$log" 2>&1 || true
  if ! apt-get install -y --no-install-recommends "${missing[@]}" >>"$log" 2>&1; then
    echo "apt-get could not install ${missing[*]}; see $log" >&2
    exit 1
  fi
fi
