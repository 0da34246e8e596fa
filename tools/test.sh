#!/usr/bin/env bash
# Installs what is missing, builds Trovanel and runs its test suite in stages: the plain build
# (build/), again niced and as an unprivileged user, under AddressSanitizer +
# UndefinedBehaviorSanitizer (build-asan/), the tests of threaded code (label "threads") under
# ThreadSanitizer (build-tsan/), and last the fuzz targets built as libFuzzer programs with
# clang (build-fuzz/), which replay their corpora. CTest runs one test per process; after each
# CTest run of the plain and sanitizer builds every test binary of that run also runs once as a
# whole, its tests shuffled. Each step prints one line; what the build tools print goes to
# build/logs/test.log. Each stage ends with its counts, the output of every failed test and every
# skipped test with its reason; a stage that fails does not stop the stages after it. The tests
# run with a temporary folder of the script's own, which must be empty after each stage and is
# removed at the end. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/script_steps.sh

bash tools/install-dependencies.sh
steps_log_open test

jobs=$(nproc)
failed_stages=()
total_passed=0
total_failed=0
total_skipped=0

# The tests' temporary folder, and within it one that an unprivileged user can write.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/trovanel-test.XXXXXX")
export TMPDIR="$scratch/tmp"
mkdir "$TMPDIR"

build() {
  local folder=$1 description=$2
  shift 2
  step "Build ${description} (${folder}/)" cmake -S . -B "$folder" -G Ninja "$@"
  step "  compile" cmake --build "$folder" -j "$jobs"
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

# From a CTest run's output (with --output-on-failure): every test that did not pass nor skip,
# with what it printed (its first 100 lines; the rest is in the log).
failed_tests_output() {
  awk -v file="$1" '
    /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / { show = /\*\*\*/ && !/Skipped/; lines = 0 }
    /^ *Start +[0-9]+: / || /^[0-9]+% tests passed/ { show = 0 }
    show && ++lines <= 101 { print }
    show && lines == 102 { print "(the rest of its output is in " file ")" }' "$1"
}

# Every skipped test with its reason, one "name: reason" line each, from GoogleTest output
# (CTest's log of a run, or a binary's own): the reason is what the test's GTEST_SKIP said.
skipped_tests() {
  awk '
    /^\[ RUN      \] / { reason = ""; collecting = 0 }
    /: Skipped$/ { collecting = 1; next }
    /^\[  SKIPPED \] .* \([0-9]+ ms\)$/ {
      name = $4
      sub(/,$/, "", name)
      print name ": " (reason == "" ? "(no reason given)" : reason)
      collecting = 0
      next
    }
    collecting && NF { reason = reason (reason == "" ? "" : " ") $0 }' "$@"
}

# Counts a stage's results, prints its line, its failures and its skips, and checks that the
# tests left nothing in the temporary folder.
report_stage() {
  local name=$1 passed=$2 failed=$3 skipped_list=$4 start=$5 failures=$6
  local skipped
  skipped=$(grep -c . <<<"$skipped_list" || true)
  passed=$((passed - skipped))
  echo "  ${passed} passed, ${failed} failed, ${skipped} skipped ($(steps_elapsed "$start"))"
  if [[ -n $failures ]]; then
    sed 's/^/    | /' <<<"$failures"
  fi
  if ((skipped > 0)); then
    sed 's/^/    skipped: /' <<<"$skipped_list"
  fi
  local left
  left=$(find "$TMPDIR" "$scratch/user" -mindepth 1 -not -path "$scratch/user/home" \
    2>/dev/null | head -n 20 || true)
  if [[ -n $left ]]; then
    echo "  left in the temporary folder:"
    sed 's/^/    /' <<<"$left"
    failed=$((failed + 1))
    find "$TMPDIR" "$scratch/user" -mindepth 1 -maxdepth 1 -not -path "$scratch/user/home" \
      -exec rm -rf {} + 2>/dev/null || true
    find "$scratch/user/home" -mindepth 1 -maxdepth 1 -exec rm -rf {} + 2>/dev/null || true
  fi
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  total_skipped=$((total_skipped + skipped))
  if ((failed > 0)); then failed_stages+=("$name"); fi
}

# Runs CTest in the build folder and reports the stage. The arguments up to "--" are a command
# that runs ctest (as another user, say; none runs it directly), the ones after it go to ctest.
run_ctest() {
  local name=$1 folder=$2
  shift 2
  local runner=()
  while (($# > 0)) && [[ $1 != -- ]]; do
    runner+=("$1")
    shift
  done
  (($# > 0)) && shift
  echo "Test ${name}, one test per process"
  local start output
  start=$(date +%s)
  output="build/logs/ctest-${folder}.log"
  [[ $name == *niced* ]] && output="build/logs/ctest-${folder}-niced.log"
  "${runner[@]}" ctest --test-dir "$folder" -j "$jobs" --output-on-failure "$@" \
    >"$output" 2>&1 </dev/null || true
  local summary total=0 failed=0
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$output" || true)
  if [[ -n $summary ]]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    failed=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  else
    total=1 failed=1
    echo "  CTest ran no test:"
    tail -n 20 "$output" | sed 's/^/    | /'
  fi
  report_stage "$name" $((total - failed)) "$failed" \
    "$(skipped_tests "$folder/Testing/Temporary/LastTest.log")" "$start" \
    "$(failed_tests_output "$output")"
}

# The last number that the extended regular expression's group catches in the file, or 0 (the
# last: a test's own child process may print a summary of its own before the binary's).
last_number() {
  local found
  found=$(sed -nE "s/$1/\\1/p" "$2" | tail -n 1)
  echo "${found:-0}"
}

# From a test binary's own output: the shuffle's seed, and what each failed test printed; the
# output's last lines when no test failed as such (the binary crashed, or a sanitizer ended it).
failed_in_binary_output() {
  awk '
    /^Note: Randomizing tests/ { print; next }
    /^\[ RUN      \] / { test = $0 "\n"; tail[NR % 40] = $0; next }
    /^\[  FAILED  \] .* \([0-9]+ ms\)$/ { printf "%s%s\n", test, $0; failures++; test = ""; next }
    /^\[       OK \] / || /^\[  SKIPPED \] / { test = ""; next }
    { test = test $0 "\n"; tail[NR % 40] = $0 }
    END {
      if (failures > 0) exit
      for (i = NR - 39; i <= NR; i++) if (i > 0 && (i % 40) in tail) print tail[i % 40]
    }' "$1"
}

# Every test binary once as a whole, its tests in a random order (the seed is in the output):
# the tests must pass together and in any order, not only one per process as CTest runs them.
run_whole_binaries() {
  local name=$1 folder=$2
  shift 2
  echo "Test ${name}, each test binary whole, shuffled"
  local start logs
  start=$(date +%s)
  logs="$PWD/build/logs/whole-${folder}"
  rm -rf "$logs"
  mkdir -p "$logs"
  local running=0 count=0 binary binary_folder
  while IFS=$'\t' read -r binary binary_folder; do
    if ((running >= jobs)); then
      wait -n || true
      running=$((running - 1))
    fi
    (
      status=0
      cd "$binary_folder"
      timeout 1800 "$binary" --gtest_shuffle >"$logs/$count.log" 2>&1 </dev/null || status=$?
      echo "$binary $status" >"$logs/$count.status"
    ) &
    running=$((running + 1))
    count=$((count + 1))
  done < <(test_binaries "$folder" "$@")
  wait
  local passed=0 failed=0 failures="" log status i
  for ((i = 0; i < count; i++)); do
    log="$logs/$i.log"
    read -r binary status <"$logs/$i.status"
    passed=$((passed + $(last_number '^\[  PASSED  \] ([0-9]+) tests?\.$' "$log")))
    ((status == 0)) && continue
    local listed
    listed=$(last_number '^\[  FAILED  \] ([0-9]+) tests?, listed below:$' "$log")
    # A binary that ended otherwise (a crash, a sanitizer's report, its time) is one failure.
    failed=$((failed + (listed > 0 ? listed : 1)))
    failures+="FAILED whole: ${binary} (exit code ${status}; ${log})"$'\n'
    failures+="$(failed_in_binary_output "$log")"$'\n'
  done
  report_stage "$name (whole)" "$passed" "$failed" "" "$start" "${failures%$'\n'}"
}

# The folders on the way to the project that the unprivileged user may not pass (a folder of
# root's, say) get the right to pass for the time of its run, and their own mode back after
# it, or when the script ends: "mode folder" per line.
opened_folders=()
restore_folders() {
  local entry
  for entry in "${opened_folders[@]}"; do chmod "${entry%% *}" "${entry#* }"; done
  opened_folders=()
}
trap 'restore_folders; rm -rf "$scratch"' EXIT

# The plain build's tests, niced and as an unprivileged user: no test may assume root or nice 0.
# Root runs them as "nobody", with a home and a temporary folder of its own; should that user
# still not read the build (files that only root may read), they run as root, niced.
run_niced_unprivileged() {
  local runner=(nice -n 10) user
  user=$(id -un)
  if [[ $(id -u) -eq 0 ]]; then
    local as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups) folder="" part
    local -a parts
    IFS=/ read -r -a parts <<<"${PWD#/}"
    for part in "" "${parts[@]}"; do
      folder="${folder%/}/${part}"
      if ! "${as_nobody[@]}" test -x "$folder"; then
        opened_folders+=("$(stat -c %a "$folder") $folder")
        chmod o+x "$folder"
      fi
    done
    # By its whole path, as CTest and the tests reach it.
    if "${as_nobody[@]}" cat "$PWD/build/CTestTestfile.cmake" >/dev/null 2>&1; then
      user=nobody
      install -d -o 65534 -g 65534 "$scratch/user" "$scratch/user/home"
      chmod 711 "$scratch"
      chmod -R a+rwX build/Testing
      runner=("${as_nobody[@]}" env -u XDG_RUNTIME_DIR HOME="$scratch/user/home" USER=nobody
        LOGNAME=nobody TMPDIR="$scratch/user" nice -n 10)
    else
      user="root (only root may read the build)"
    fi
  fi
  run_ctest "plain, niced (nice 10), as ${user}" build "${runner[@]}" --
  restore_folders
}

build build "plain"
run_ctest "plain" build --
run_whole_binaries "plain" build
run_niced_unprivileged

build build-asan "under ASan + UBSan" -DTROVANEL_SANITIZE=address,undefined
run_ctest "ASan + UBSan" build-asan --
run_whole_binaries "ASan + UBSan" build-asan

build build-tsan "under TSan" -DTROVANEL_SANITIZE=thread
run_ctest "TSan, threaded code" build-tsan -- -L threads
run_whole_binaries "TSan, threaded code" build-tsan -L threads

build build-fuzz "of the fuzz targets with clang" -DCMAKE_CXX_COMPILER=clang++-14 -DTROVANEL_FUZZ=ON
run_ctest "fuzz corpora" build-fuzz --

echo "Logs in build/logs/"
if ((${#failed_stages[@]} > 0)); then
  echo "Failed stages: $(printf '%s; ' "${failed_stages[@]}" | sed 's/; $//')"
fi
echo "total: ${total_passed} passed, ${total_failed} failed, ${total_skipped} skipped"
((${#failed_stages[@]} == 0))
