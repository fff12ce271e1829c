#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the suite as built by
# g++ (build/), the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer as built by clang (build-asan/), each fuzz target
# a few seconds on its corpus (build-fuzz/, through scripts/fuzz.sh), and the
# server's thread hand-over under ThreadSanitizer (build-tsan/). Every source
# is so compiled by both compilers. The time of each phase is printed at the end.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Most tests wait on sockets and servers rather than the processor: twice as
# many run at once as there are cores (the suite is proved at that load).
jobs=$(( $(nproc) * 2 ))

# Everything the suite starts carries this mark, so that whatever is still
# running after it (a server, an Xvfb) is found and named, and only this
# run's: another run on the same machine has a mark of its own.
export TAV_SUITE_RUN="tav-$$-$(date +%s%N)"
trap 'tav_leftovers "$TAV_SUITE_RUN" >/dev/null || true' EXIT

tav_install_packages

build_gcc() { CC=gcc CXX=g++ tav_build "$TAV_ROOT/build"; }
# Optimised lightly and with line tables only, so the second build stays short.
build_asan() {
  CC=clang CXX=clang++ tav_build "$TAV_ROOT/build-asan" -DTAV_ASAN=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DCMAKE_C_FLAGS_DEBUG="-O1 -gline-tables-only"
}
build_tsan() { tav_build "$TAV_ROOT/build-tsan" -DTAV_TSAN=ON -- server_tests; }

tav_phase "g++ build" build_gcc
tav_phase "g++ tests" ctest --test-dir "$TAV_ROOT/build" --output-on-failure --parallel "$jobs"

tav_phase "clang ASan/UBSan build" build_asan
tav_phase "clang ASan/UBSan tests" env ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
  ctest --test-dir "$TAV_ROOT/build-asan" --output-on-failure --parallel "$jobs"

# The documented fuzz command itself, for a few seconds a target: it must
# keep building and every committed input must still pass.
tav_phase "fuzz smoke" env FUZZ_SECONDS="${FUZZ_SECONDS:-5}" "$TAV_ROOT/scripts/fuzz.sh"

# The busy hand-over between the server's two threads, under ThreadSanitizer.
tav_phase "TSan build" build_tsan
tav_phase "TSan tests" env TSAN_OPTIONS="halt_on_error=1" ctest --test-dir "$TAV_ROOT/build-tsan" \
  --output-on-failure --parallel "$jobs" -R 'Dispatcher\.'

tav_phase "nothing left running" tav_leftovers "$TAV_SUITE_RUN"
tav_phase_summary
