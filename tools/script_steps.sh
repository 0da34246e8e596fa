# Sourced by the scripts of tools/: a script is a row of steps, each one line on the terminal,
# and what the step's commands print goes to the script's log, whose lines of that step are
# shown only when the step fails.

# Starts the log of the calling script: build/logs/<name>.log below the project folder.
steps_log_open() {
  steps_log="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/logs/$1.log"
  mkdir -p "$(dirname "$steps_log")"
  : >"$steps_log"
}

# The time since $1 (seconds since the epoch), as "12 s" or "3 min 05 s".
steps_elapsed() {
  local seconds=$(($(date +%s) - $1))
  if ((seconds < 60)); then
    echo "${seconds} s"
  else
    printf '%d min %02d s\n' $((seconds / 60)) $((seconds % 60))
  fi
}

# Prints the step's description, then runs the command with its output added to the log: "done"
# and the time when it succeeds; otherwise "FAILED", the last lines it printed and the log's
# name, and the command's exit code is returned.
step() {
  local description=$1
  shift
  printf '%s ... ' "$description"
  local start offset status=0
  start=$(date +%s)
  offset=$(wc -c <"$steps_log")
  echo "== $description: $*" >>"$steps_log"
  "$@" >>"$steps_log" 2>&1 </dev/null || status=$?
  if ((status == 0)); then
    echo "done ($(steps_elapsed "$start"))"
    return 0
  fi
  echo "FAILED (exit code $status)"
  tail -c +$((offset + 1)) "$steps_log" | tail -n 40 | sed 's/^/    /'
  echo "    (the whole output is in $steps_log)"
  return "$status"
}
