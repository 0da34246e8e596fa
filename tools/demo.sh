#!/usr/bin/env bash
# The main job: installs what is missing, builds Trovanel, starts the sample site on loopback
# and runs trovanel-console against it through the system proxy setting, then shows what was
# saved. The program itself is unchanged: it reaches the site as any HTTP client reaches a proxy.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-dependencies.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target trovanel-console trovanel-sample-site

demo=$(mktemp -d /tmp/trovanel-demo.XXXXXX)
site_log="$demo/site.log"
build/tools/sample_site/trovanel-sample-site --port-file "$demo/port" >/dev/null 2>"$site_log" &
site=$!
trap 'kill "$site" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [[ -s "$demo/port" ]] && break; sleep 0.05; done
port=$(cat "$demo/port")
echo "Sample site on 127.0.0.1:$port; running trovanel-console in $demo"

# The program saves beside itself, so it runs from its own copy.
cp build/console_app/trovanel-console "$demo/"
(cd "$demo" && http_proxy="http://127.0.0.1:$port" no_proxy="" ./trovanel-console >"$demo/output.txt")
echo
echo "Last line of its output: $(tail -c 12 "$demo/output.txt")"
echo "Saved under $demo/文件:"
(cd "$demo/文件" && find . -type d | sort | head -20 && echo "...")
echo "$(find "$demo/文件" -type f -name '*.rar' | wc -l) files, $(du -sh "$demo/文件" | cut -f1)"
build/tools/sample_site/trovanel-sample-site --export-files "$demo/expected" >/dev/null
if diff -r "$demo/expected" "$demo/文件" >/dev/null; then
  echo "Every file is byte for byte what the site serves."
else
  echo "The saved tree differs from the site's files." >&2
  exit 1
fi
