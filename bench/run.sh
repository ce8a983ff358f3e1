#!/usr/bin/env bash
# Runs every benchmark and publishes the figures:
#   run.sh BENCH_EXE TOOL_EXE DATA_DIR PUBLISH_DIR [extra trackmend_bench options]
# TOOL_EXE may be "" (the whole-tool run is then skipped). Writes the full log
# to DATA_DIR/benchmark-results.txt and copies it to PUBLISH_DIR/results.txt;
# plots PUBLISH_DIR/scaling.png with gnuplot when it is there (installing it
# with apt-get when run as root, unless TRACKMEND_BENCH_INSTALL=0).
set -euo pipefail
if [ $# -lt 4 ]; then
  echo "usage: $0 BENCH_EXE TOOL_EXE DATA_DIR PUBLISH_DIR [options]" >&2
  exit 2
fi
bench_exe=$1 tool_exe=$2 data_dir=$3 publish_dir=$4
shift 4
mkdir -p "$data_dir"
results="$data_dir/benchmark-results.txt"
scaling="$data_dir/scaling.dat"

args=(--data "$data_dir" --scaling "$scaling")
if [ -n "$tool_exe" ]; then args+=(--tool "$tool_exe"); fi
{
  if git -C "$publish_dir" rev-parse --short HEAD >/dev/null 2>&1; then
    dirty=$(git -C "$publish_dir/.." status --porcelain --untracked-files=no -- repair playlist main Lib | head -c1)
    echo "Source: commit $(git -C "$publish_dir" rev-parse --short HEAD)${dirty:+ with uncommitted changes}"
  fi
  "$bench_exe" "${args[@]}" "$@"
} | tee "$results"
cp "$results" "$publish_dir/results.txt"

if ! command -v gnuplot >/dev/null 2>&1 && [ "${TRACKMEND_BENCH_INSTALL:-1}" != 0 ] \
   && [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "gnuplot not found; installing gnuplot-nox" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q gnuplot-nox >/dev/null 2>&1 ||
    echo "could not install gnuplot-nox" >&2
fi
if ! command -v gnuplot >/dev/null 2>&1; then
  echo "gnuplot not available: $publish_dir/scaling.png not updated (data in $scaling)" >&2
  exit 0
fi
machine=$(grep -m1 '^model name' /proc/cpuinfo | sed 's/^[^:]*: *//')
gnuplot <<GNUPLOT
set terminal pngcairo size 900,600 font "sans,11"
set output "$publish_dir/scaling.png"
set title "Candidate scoring: time per playlist entry against library size\n{/*0.8 $machine, $(nproc) cores}"
set xlabel "songs in the library"
set ylabel "milliseconds per entry (CPU; wall on 2 threads)"
set logscale xy
set xrange [700:140000]
set format x "%.0s%c"
set grid
set key top left
plot "$scaling" using 1:2 with linespoints lw 2 pt 7 title "plain reference", \
     "$scaling" using 1:3 with linespoints lw 2 pt 5 title "production, 1 thread", \
     "$scaling" using 1:4 with linespoints lw 2 pt 9 title "production, 2 threads"
GNUPLOT
echo "plot written to $publish_dir/scaling.png"
