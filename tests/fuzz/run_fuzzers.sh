#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer included) and runs each for a bounded time with
# a fixed seed, printing the executions per target.
#
#   tests/fuzz/run_fuzzers.sh [seconds-per-target] [build-dir]
#
# Defaults: 60 seconds, build/fuzz. The seeds in tests/fuzz/corpus/<target>
# are only read; new inputs go to a scratch corpus that is thrown away.
# Inputs that fail are kept in <build-dir>/fuzz-failures/ (add a minimised
# copy to tests/fuzz/regressions/<target>/ once the fault is fixed). Exits
# with status 1 when any target failed.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${2:-$root/build/fuzz}"
fuzz_dir="$root/tests/fuzz"
targets=(fuzz_playlist_reader fuzz_xml_playlist fuzz_cmdline fuzz_path_similarity fuzz_name_match fuzz_tag_reader)

case "$seconds" in
  ''|*[!0-9]*) echo "usage: $0 [seconds-per-target] [build-dir]" >&2; exit 2 ;;
esac
if ! command -v clang++ >/dev/null; then
  echo "run_fuzzers.sh: clang++ is needed for libFuzzer" >&2
  exit 2
fi

echo "== configuring $build (clang, libFuzzer, ASan + UBSan)"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTRACKMEND_TESTS=ON -DTRACKMEND_FUZZ=ON -DTRACKMEND_SANITIZE=ON >"$build.configure.log" 2>&1 \
  || { cat "$build.configure.log" >&2; exit 1; }

available=()
known_targets="$(cmake --build "$build" --target help)"
for target in "${targets[@]}"; do
  if grep -q "^\.\.\. $target\$" <<<"$known_targets"; then
    available+=("$target")
  else
    echo "-- $target is not part of this build yet: skipped"
  fi
done
[ "${#available[@]}" -gt 0 ] || { echo "run_fuzzers.sh: no fuzz target to run" >&2; exit 1; }

echo "== building ${available[*]}"
cmake --build "$build" -j2 --target "${available[@]}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/trackmend-fuzz-run-XXXXXX")"
shm_scratch="$(mktemp -d /dev/shm/trackmend-fuzz-files-XXXXXX 2>/dev/null || mktemp -d)"
trap 'rm -rf "$scratch" "$shm_scratch"' EXIT
export TRACKMEND_FUZZ_SCRATCH="$shm_scratch"
failures="$build/fuzz-failures"
mkdir -p "$failures"

# The similarity references cost cubic time; short inputs keep them quick.
max_len_of() {
  case "$1" in
    fuzz_path_similarity|fuzz_name_match) echo 1024 ;;
    fuzz_tag_reader) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

# The tag reader must not grow without bound on a crafted song: a tighter
# limit than the others' makes such growth a finding quickly.
rss_limit_of() {
  case "$1" in
    fuzz_tag_reader) echo 1024 ;;
    *) echo 2048 ;;
  esac
}

status=0
summary=()
for target in "${available[@]}"; do
  echo "== $target: $seconds s, seed 1"
  mkdir -p "$scratch/$target"
  log="$build/$target.log"
  set +e
  "$build/tests/fuzz/$target" -seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb="$(rss_limit_of "$target")" \
    -max_len="$(max_len_of "$target")" -print_final_stats=1 -artifact_prefix="$failures/$target-" \
    "$scratch/$target" "$fuzz_dir/corpus/$target" >"$log" 2>&1
  rc=$?
  set -e
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  [ -n "$runs" ] || runs="$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -1)"
  if [ "$rc" -eq 0 ]; then
    summary+=("$(printf '%-24s %12s executions  ok' "$target" "${runs:-?}")")
  else
    status=1
    summary+=("$(printf '%-24s %12s executions  FAILED (see %s)' "$target" "${runs:-?}" "$log")")
    grep -a -E 'FUZZ CHECK FAILED|ERROR: |runtime error|Test unit written|^Base64' "$log" | head -20 || true
  fi
done

echo "== fuzzing summary (seed 1, $seconds s per target)"
printf '%s\n' "${summary[@]}"
exit "$status"
