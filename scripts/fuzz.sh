#!/usr/bin/env bash
# The libFuzzer targets of fuzz/ (see docs/fuzzing.md), built with clang under
# build/fuzz (-DLUMETRA_FUZZ=ON).
#   scripts/fuzz.sh [TARGET] [SECONDS] [OPTION...]
#                                       a campaign of SECONDS (default 60) per target,
#                                       every target when TARGET is omitted or "all";
#                                       OPTIONs go to libFuzzer (-max_len=4096, ...)
#   scripts/fuzz.sh --smoke             each target over its seeds plus a few seconds
# Campaigns work on a copy of the seeds in build/fuzz/work/TARGET/corpus, which
# grows from campaign to campaign; the repository's seeds are never written.
# Crashes go to build/fuzz/work/TARGET/artifacts, the log to .../campaign.log.
# One process at a time (no -jobs/-workers).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/fuzz
all_targets=(json_reader_fuzz json_key_path_fuzz json_tokens_fuzz ds_to_json_json_fuzz ds_to_json_packet_fuzz
  variant_convert_fuzz ini_store_fuzz mail_text_fuzz smtp_reply_fuzz)

# The seed folders of a target: its own under fuzz/corpus and the test data that fits it.
seeds_of() {
  local seeds=("fuzz/corpus/$1")
  case "$1" in
    json_reader_fuzz) seeds+=(tests/data/json/JSONTestSuite/test_parsing) ;;
    ds_to_json_packet_fuzz) seeds+=(tests/dataset/packets) ;;
  esac
  echo "${seeds[@]}"
}

build() {
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_COMPILER=clang -DLUMETRA_FUZZ=ON -DLUMETRA_BENCH=OFF -DLUMETRA_WERROR=ON >/dev/null
  cmake --build "$build" -j2 --target lumetra_fuzzers
}

options=(-rss_limit_mb=2048 -timeout=20 -print_final_stats=1)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1

if [[ "${1:-}" == "--smoke" ]]; then
  build
  start=$SECONDS
  for target in "${all_targets[@]}"; do
    work="$build/smoke/$target"
    rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
    # shellcheck disable=SC2046
    if ! "$build/fuzz/$target" "${options[@]}" -max_total_time=4 -artifact_prefix="$work/artifacts/" \
      "$work/corpus" $(seeds_of "$target") >"$work/smoke.log" 2>&1; then
      tail -n 40 "$work/smoke.log"
      echo "fuzz smoke: $target failed (log: $work/smoke.log)"
      exit 1
    fi
    echo "fuzz smoke: $target $(grep -E '^#[0-9]+' "$work/smoke.log" | tail -n 1)"
  done
  echo "fuzz smoke: ${#all_targets[@]} targets in $((SECONDS - start)) s"
  exit 0
fi

target="${1:-all}"
seconds="${2:-60}"
extra_options=("${@:3}")
if [[ "$target" == "all" ]]; then targets=("${all_targets[@]}"); else targets=("$target"); fi
for t in "${targets[@]}"; do
  [[ " ${all_targets[*]} " == *" $t "* ]] || { echo "unknown target: $t (one of: ${all_targets[*]})"; exit 2; }
done
build
status=0
for t in "${targets[@]}"; do
  work="$build/work/$t"
  mkdir -p "$work/corpus" "$work/artifacts"
  for seeds in $(seeds_of "$t"); do cp -n "$seeds"/* "$work/corpus/" 2>/dev/null || true; done
  echo "== $t: $seconds s"
  if ! "$build/fuzz/$t" "${options[@]}" "${extra_options[@]}" -max_total_time="$seconds" -artifact_prefix="$work/artifacts/" \
    "$work/corpus" >"$work/campaign.log" 2>&1; then
    status=1
    echo "$t found a fault: see $work/campaign.log and $work/artifacts/"
  fi
  grep -E '^#[0-9]+' "$work/campaign.log" | tail -n 1 || true
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$work/campaign.log" || true
  echo "corpus: $(find "$work/corpus" -type f | wc -l) inputs"
done
exit "$status"
