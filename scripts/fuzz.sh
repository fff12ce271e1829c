#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for
# FUZZ_SECONDS (default 300) on a scratch copy of its committed corpus.
# Inputs that make a target fail are left in build-fuzz/findings/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

targets=(reader conditions dispatcher client)

tav_install_packages
# Only the four targets and what they link: the rest of the tree is the
# suite's, and is built with clang there too.
CC=clang CXX=clang++ tav_build "$TAV_ROOT/build-fuzz" -DTAV_FUZZ=ON -- "${targets[@]/#/fuzz_}"
seconds="${FUZZ_SECONDS:-300}"
mkdir -p "$TAV_ROOT/build-fuzz/findings"
for target in "${targets[@]}"; do
  work="$TAV_ROOT/build-fuzz/corpus-$target"
  mkdir -p "$work"
  cp -n "$TAV_ROOT/tests/fuzz/corpus/$target/"* "$work/" 2>/dev/null || true
  # Requests are small; a client's list reply can run to many kilobytes.
  max_len=4096
  [ "$target" = client ] && max_len=65536
  echo "== $target for ${seconds}s"
  (cd "$TAV_ROOT/build-fuzz/findings" &&
   "$TAV_ROOT/build-fuzz/fuzz/fuzz_$target" "$work" -max_total_time="$seconds" -max_len="$max_len" \
     -rss_limit_mb=4096 -print_final_stats=1 2>&1 | tail -n 12)
done
