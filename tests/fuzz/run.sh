#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a number of seconds.
#   tests/fuzz/run.sh [seconds-per-target] [target...]
# Targets: parse_reply split_by_char banner_reply settings_parse store_journal store_manifest
# (default: all).
# Output (binaries, grown corpora, crash files) goes to build-fuzz/ in the checkout.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-300}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(parse_reply split_by_char banner_reply settings_parse store_journal store_manifest)

out="${FUZZ_OUT:-$root/build-fuzz}"
mkdir -p "$out"
cxx="${CXX_FUZZ:-clang++}"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$root/src")

sources_for() {
  case "$1" in
    parse_reply | split_by_char) echo "src/service/reply_parser.cpp" ;;
    banner_reply)
      echo "src/service/banner_reply.cpp src/service/reply_parser.cpp src/service/web_address.cpp"
      ;;
    settings_parse) echo "src/core/settings_table.cpp src/platform/files_posix.cpp" ;;
    store_journal)
      echo "src/update/store_journal.cpp src/update/line_value.cpp src/update/entry_name.cpp" \
        "src/platform/path_text.cpp src/platform/codepage_posix.cpp src/platform/codepage_chars.cpp" \
        "src/platform/files_posix.cpp src/platform/durable_files_posix.cpp"
      ;;
    store_manifest)
      echo "src/update/store_manifest.cpp src/update/store_journal.cpp src/update/line_value.cpp" \
        "src/update/entry_name.cpp src/platform/path_text.cpp src/platform/codepage_posix.cpp" \
        "src/platform/codepage_chars.cpp src/platform/files_posix.cpp" \
        "src/platform/durable_files_posix.cpp"
      ;;
    *) echo "unknown target $1" >&2; exit 2 ;;
  esac
}

for t in "${targets[@]}"; do
  srcs=()
  for s in $(sources_for "$t"); do srcs+=("$root/$s"); done
  echo "== building $t"
  "$cxx" "${flags[@]}" "$root/tests/fuzz/fuzz_$t.cpp" "${srcs[@]}" -lz -o "$out/fuzz_$t"
done

for t in "${targets[@]}"; do
  corpus="$out/corpus_$t"
  mkdir -p "$corpus" "$out/crashes_$t"
  [ -d "$root/tests/fuzz/seeds/$t" ] && cp -n "$root/tests/fuzz/seeds/$t"/* "$corpus"/ 2>/dev/null || true
  echo "== running $t for ${seconds}s"
  "$out/fuzz_$t" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$out/crashes_$t/" "$corpus" 2>&1 | tee "$out/log_$t.txt" |
    grep -E '^(stat::|==|SUMMARY|Done|INFO: seed)' || true
done
