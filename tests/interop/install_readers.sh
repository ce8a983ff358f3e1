#!/usr/bin/env bash
# Installs the independent playlist readers that the interoperability tests
# compare the tool's files with: mpv and GNOME's totem-pl-parser (through
# python3-gi). Never fails: when they cannot be installed, the reader tests
# report themselves as skipped with the reason.
set -u

have_mpv() { command -v mpv >/dev/null 2>&1; }
have_totem() {
  /usr/bin/python3 -c "import gi; gi.require_version('TotemPlParser', '1.0'); from gi.repository import TotemPlParser" >/dev/null 2>&1
}

if have_mpv && have_totem; then
  echo "interop readers: mpv and totem-pl-parser present"
  exit 0
fi
if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null 2>&1; then
  echo "interop readers: cannot install (needs root and apt-get); the reader tests will be skipped"
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
echo "interop readers: installing mpv gir1.2-totemplparser-1.0 python3-gi"
if ! apt-get install -y --no-install-recommends mpv gir1.2-totemplparser-1.0 python3-gi >/tmp/trackmend-interop-apt.log 2>&1; then
  apt-get update >>/tmp/trackmend-interop-apt.log 2>&1 || true
  apt-get install -y --no-install-recommends mpv gir1.2-totemplparser-1.0 python3-gi >>/tmp/trackmend-interop-apt.log 2>&1 || true
fi
have_mpv && echo "interop readers: mpv ready" || echo "interop readers: mpv missing (see /tmp/trackmend-interop-apt.log); its tests will be skipped"
have_totem && echo "interop readers: totem-pl-parser ready" || echo "interop readers: totem-pl-parser missing (see /tmp/trackmend-interop-apt.log); its tests will be skipped"
exit 0
