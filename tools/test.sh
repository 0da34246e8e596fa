#!/usr/bin/env bash
# Installs what is missing, builds Trovanel and runs its test suite twice: once as it is and
# once under AddressSanitizer + UndefinedBehaviorSanitizer; then runs the tests of threaded code
# (label "threads") a third time under ThreadSanitizer. After each CTest run, every test binary
# of that run also runs once as a whole, shuffled. Last, the fuzz targets are built as libFuzzer
# programs with clang and replay their corpora, so that the fuzz build keeps working. Exits
# non-zero on any failure.
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

# The test binaries that CTest runs test by test, each with the folder it runs them in: one
# line "binary<TAB>folder" per binary. Further arguments choose tests as for ctest (-L threads).
test_binaries() {
  local folder=$1
  shift
  ctest --test-dir "$folder" -N -V "$@" | awk '
    / Test command: / { binary = ($5 ~ /^"--gtest_filter=/) ? $4 : "" }
    / Working Directory: / && binary != "" {
      print binary "\t" substr($0, index($0, "Directory: ") + 11)
      binary = ""
    }' | sort -u
}

run_whole_binary() {
  local binary=$1 folder=$2 log=$3
  if (cd "$folder" && timeout 1800 "$binary" --gtest_shuffle) >"$log" 2>&1; then
    echo "passed whole: ${binary}"
  else
    echo "FAILED whole: ${binary}"
    cat "$log"
    return 1
  fi
}

# Every test binary once as a whole, its tests in a random order (the seed is in the log): the
# tests must pass together and in any order, not only one per process as CTest runs them.
run_whole_binaries() {
  local folder=$1
  shift
  echo "== whole test binaries ${folder}, shuffled"
  local logs
  logs=$(mktemp -d)
  local failed=0 running=0 index=0 binary binary_folder
  while IFS=$'\t' read -r binary binary_folder; do
    if ((running >= jobs)); then
      wait -n || failed=1
      running=$((running - 1))
    fi
    run_whole_binary "$binary" "$binary_folder" "${logs}/${index}.log" &
    running=$((running + 1))
    index=$((index + 1))
  done < <(test_binaries "$folder" "$@")
  while ((running > 0)); do
    wait -n || failed=1
    running=$((running - 1))
  done
  rm -rf "$logs"
  return "$failed"
}

run_suite build ""
run_whole_binaries build
run_suite build-asan "address,undefined"
run_whole_binaries build-asan

echo "== build build-tsan (sanitizers: thread; tests labelled threads)"
cmake -S . -B build-tsan -G Ninja -DTROVANEL_SANITIZE=thread >/dev/null
cmake --build build-tsan -j "$jobs"
echo "== test build-tsan"
ctest --test-dir build-tsan -j "$jobs" --output-on-failure -L threads
run_whole_binaries build-tsan -L threads

echo "== build build-fuzz (clang, libFuzzer; the corpora replayed)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DTROVANEL_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$jobs"
echo "== test build-fuzz"
ctest --test-dir build-fuzz -j "$jobs" --output-on-failure
