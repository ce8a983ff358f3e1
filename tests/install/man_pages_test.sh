#!/bin/sh
# man_pages_test.sh <groff> <tree>: renders every installed manual page with
# all of groff's warnings on, failing on any message, and checks that
# trackmend(1) has an entry for each option of the usage text.
set -u
groff=$1 tree=$2
if [ ! -x "$groff" ]; then
  echo "groff is not installed: the manual pages are not checked"
  exit 77
fi
. "$(dirname "$0")/usage_options.sh"
status=0
for page in "$tree"/share/man/man1/*.1; do
  warnings=$("$groff" -man -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || { printf '%s:\n%s\n' "$page" "$warnings"; status=1; }
done
entries=$(grep -A1 '^\.TP' "$tree/share/man/man1/trackmend.1")
for letter in $(usage_options "$tree/bin/trackmend"); do
  printf '%s\n' "$entries" | grep -Eq "^\.BI? \\\\-$letter( |$)" || {
    echo "trackmend(1) has no entry for -$letter"
    status=1
  }
done
exit $status
