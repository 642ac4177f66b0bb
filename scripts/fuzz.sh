#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ (or the folder given
# as $1) and runs each for FUZZ_SECONDS (default 60, seed FUZZ_SEED) from its seed corpus in
# fuzz/corpus/. A crash, a hang (an input over 10 s), a leak or a broken
# invariant fails; the input that did it is left in fuzz/artifacts/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
# A fixed seed makes a CI run repeatable on a developer's machine; set
# FUZZ_SEED=0 for a fresh random one.
seed="${FUZZ_SEED:-1}"

"$root/scripts/setup.sh" clang libclang-rt-14-dev

targets=(strip_tags_fuzz extract_findings_fuzz keyword_file_fuzz position_list_fuzz markup_links_fuzz readable_text_fuzz)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTAMSENOR_FUZZ=ON -DTAMSENOR_BUILD_UI=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
artifacts="$root/fuzz/artifacts"
mkdir -p "$artifacts"
status=0
for t in "${targets[@]}"; do
  # New inputs go to a scratch copy, so the kept seed corpus stays small.
  work="$build/corpus/$t"
  mkdir -p "$work"
  echo "== $t: ${seconds}s"
  if ! "$build/fuzz/$t" -max_total_time="$seconds" -seed="$seed" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
       -print_final_stats=1 -artifact_prefix="$artifacts/$t-" "$work" "$root/fuzz/corpus/$t" \
       > "$build/$t.log" 2>&1; then
    tail -n 60 "$build/$t.log"
    echo "FAILED: $t (input kept in $artifacts)"
    status=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$build/$t.log" || true
  fi
done
exit $status
