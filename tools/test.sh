#!/usr/bin/env bash
# Installs what is missing, builds Trovanel and runs its test suite twice: once as it is and
# once under AddressSanitizer + UndefinedBehaviorSanitizer; then runs the tests of threaded code
# (label "threads") a third time under ThreadSanitizer. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-dependencies.sh

jobs=$(nproc)

run_suite() {
  local folder=$1 sanitize=$2
  echo "== build ${folder} (sanitizers: ${sanitize:-none})"
  cmake -S . -B "$folder" -G Ninja -DTROVANEL_SANITIZE="$sanitize" >/dev/null
  cmake --build "$folder" -j "$jobs"
  echo "== test ${folder}"
  ctest --test-dir "$folder" -j "$jobs" --output-on-failure
}

run_suite build ""
run_suite build-asan "address,undefined"

echo "== build build-tsan (sanitizers: thread; tests labelled threads)"
cmake -S . -B build-tsan -G Ninja -DTROVANEL_SANITIZE=thread >/dev/null
cmake --build build-tsan -j "$jobs"
echo "== test build-tsan"
ctest --test-dir build-tsan -j "$jobs" --output-on-failure -L threads
