#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Most tests wait on sockets and servers rather than the processor: twice as
# many run at once as there are cores (the suite is proved at that load).
jobs=$(( $(nproc) * 2 ))

tav_install_packages
tav_build "$TAV_ROOT/build"
ctest --test-dir "$TAV_ROOT/build" --output-on-failure --parallel "$jobs"

# Everything once more under AddressSanitizer and UndefinedBehaviorSanitizer,
# optimised lightly so the second build stays short.
tav_build "$TAV_ROOT/build-asan" -DTAV_ASAN=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
  ctest --test-dir "$TAV_ROOT/build-asan" --output-on-failure --parallel "$jobs"

# The busy hand-over between the server's two threads, under ThreadSanitizer.
cmake -S "$TAV_ROOT" -B "$TAV_ROOT/build-tsan" -G Ninja -DTAV_TSAN=ON
cmake --build "$TAV_ROOT/build-tsan" --parallel --target server_tests
TSAN_OPTIONS="halt_on_error=1" ctest --test-dir "$TAV_ROOT/build-tsan" --output-on-failure \
  --parallel "$jobs" -R 'Dispatcher\.'
