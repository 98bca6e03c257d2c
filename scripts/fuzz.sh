#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (plus the address and
# undefined-behaviour sanitizers) and runs each for the given number of
# seconds (default 60), whatever it finds on the way. Not part of CI.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]     targets: settings picture server_text
#
# The seed corpus in fuzz/corpus/<target>/ is copied, never changed; the
# grown corpus, logs and any crashing inputs go to build/fuzz/run/<target>/.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(settings picture server_text)

command -v clang++ >/dev/null || { echo "clang is needed: apt-get install clang libclang-rt-14-dev" >&2; exit 1; }
build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DMEADOWGLOW_FUZZ=ON -DMEADOWGLOW_TESTS=OFF -DMEADOWGLOW_BENCH=OFF >/dev/null || exit 1
cmake --build "$build" --target $(printf '%s_fuzz ' "${targets[@]}") || exit 1

# The driver libraries keep some memory for the life of the process.
export ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$root/cmake/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
for t in "${targets[@]}"; do
  run="$build/run/$t"
  mkdir -p "$run/corpus" "$run/findings"
  cp -n "$root/fuzz/corpus/$t/"* "$run/corpus/" 2>/dev/null || true
  echo "== $t: ${seconds}s"
  # One worker process that is restarted after a finding, so a target runs
  # for its whole time and every distinct finding is kept, not just the first.
  start=$(date +%s)
  "$build/fuzz/${t}_fuzz" "$run/corpus" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -rss_limit_mb=4096 -artifact_prefix="$run/findings/" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 \
    -ignore_ooms=1 >"$run/log.txt" 2>&1
  elapsed=$(( $(date +%s) - start ))
  execs=$(grep -oE '^#[0-9]+' "$run/log.txt" | tail -n1 | tr -d '#')
  findings=$(ls "$run/findings" | wc -l)
  echo "ran ${elapsed}s; executions: ${execs:-0} ($(( ${execs:-0} / (elapsed > 0 ? elapsed : 1) ))/s)"
  echo "corpus: $(ls "$run/corpus" | wc -l) inputs; findings: $findings (in $run/findings)"
  if [ "$findings" -gt 0 ]; then
    status=1
    grep -hE 'runtime error|ERROR: AddressSanitizer|SUMMARY' "$run/log.txt" "$run"/fuzz-*.log 2>/dev/null | sort | uniq -c | head -20
  fi
done
exit $status
