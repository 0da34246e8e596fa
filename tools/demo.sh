#!/usr/bin/env bash
# The main job: installs what is missing, builds Trovanel, starts the sample site on loopback
# and runs trovanel-console against it through the system proxy setting, then shows what was
# saved and checks it against the site's files. The program itself is unchanged: it reaches the
# site as any HTTP client reaches a proxy. Each step prints one line; what the build tools print
# goes to build/logs/demo.log, everything the program prints to output.txt in the demo's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/script_steps.sh

bash tools/install-dependencies.sh
steps_log_open demo
step "Build trovanel-console and the sample site (build/)" cmake -S . -B build -G Ninja
step "  compile" cmake --build build -j "$(nproc)" --target trovanel-console trovanel-sample-site

demo=$(mktemp -d "${TMPDIR:-/tmp}/trovanel-demo.XXXXXX")
build/tools/sample_site/trovanel-sample-site --port-file "$demo/port" >/dev/null 2>"$demo/site.log" &
site=$!
trap 'kill "$site" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [[ -s "$demo/port" ]] && break
  sleep 0.05
done
port=$(cat "$demo/port")

# The program saves beside itself, so it runs from its own copy.
cp build/console_app/trovanel-console "$demo/"
printf 'Run trovanel-console in %s against the sample site on 127.0.0.1:%s ... ' "$demo" "$port"
start=$(date +%s)
(cd "$demo" && http_proxy="http://127.0.0.1:$port" no_proxy="" ./trovanel-console \
  >"$demo/output.txt" 2>&1 </dev/null)
echo "done ($(steps_elapsed "$start"))"

saved="$demo/文件"
files=$(find "$saved" -type f | wc -l)
echo
bytes=$(find "$saved" -type f -printf '%s\n' | awk '{ sum += $1 } END { print sum + 0 }')
echo "Saved ${files} files, ${bytes} bytes ($(numfmt --to=iec-i --suffix=B "$bytes")) in all," \
  "under ${saved}/, among them:"
find "$saved" -type f | sort | sed -n '1,3p;4s/.*/.../p;$p' | while IFS= read -r file; do
  if [[ $file == ... ]]; then echo "  ..."; else echo "  ${file} ($(stat -c %s "$file") bytes)"; fi
done
output="$demo/output.txt"
echo "Everything trovanel-console printed is in ${output}: $(grep -c '' "$output") lines," \
  "$(grep -c '下载成功:' "$output" || true) of them \"下载成功:\"," \
  "$(grep -c '下载失败:' "$output" || true) \"下载失败:\", the last \"$(tail -n 1 "$output")\""
build/tools/sample_site/trovanel-sample-site --export-files "$demo/expected" >/dev/null
if diff -r "$demo/expected" "$saved" >/dev/null; then
  rm -rf "$demo/expected"
  echo "Every file is byte for byte what the site serves."
else
  echo "The saved tree differs from the site's files (the site's are in $demo/expected)." >&2
  exit 1
fi
