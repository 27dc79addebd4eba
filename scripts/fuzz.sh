#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, ASan and UBSan), writes their seed corpora, and
# runs each target for SECONDS (default 60). Fails on any finding: a crash, a hang, a sanitizer
# report, a leak or an allocation above 512 MB (no input of at most 64 KiB needs that much).
# Prints each target's executions and coverage.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARN_BUILD_FUZZ=ON \
  -DTARN_BUILD_TESTS=OFF -DTARN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tarn_fuzz

# Seeds come fresh from their recipe; the corpus a run grows is kept for the next run.
rm -rf "$build/seeds" "$build/tmp"
mkdir -p "$build/tmp" "$build/findings"
"$build/fuzz/tarn_fuzz_seeds" "$build/seeds"
export TMPDIR=$PWD/$build/tmp
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

summary=()
failed=0
for target in recording setup_text trace_config rec_file; do
  corpus=$build/corpus/$target
  log=$build/$target.log
  mkdir -p "$corpus"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  echo "fuzzing $target for ${seconds}s"
  if ! "$build/fuzz/tarn_fuzz_$target" "$corpus" "$build/seeds/$target" "${dict[@]}" \
      -max_total_time="$seconds" -max_len=65536 -timeout=25 -rss_limit_mb=2048 -malloc_limit_mb=512 \
      -print_final_stats=1 -artifact_prefix="$build/findings/$target-" >"$log" 2>&1; then
    echo "FINDING in $target (log: $log):"
    grep -E 'ERROR|SUMMARY|Test unit written|^==' "$log" | head -20 || true
    failed=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  final=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$final")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$final")
  summary+=("$(printf '%-14s executions %10s   cov %6s   ft %6s' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}")")
done
printf '%s\n' "${summary[@]}"
exit "$failed"
