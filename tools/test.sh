#!/usr/bin/env bash
# Installs what is missing, builds Trovanel and runs its test suite twice: once as it is and
# once under AddressSanitizer + UndefinedBehaviorSanitizer. Exits non-zero on any failure.
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
