#!/usr/bin/env bash
# The main job: installs what is missing, builds Trovanel and runs the console downloader
# against a local sample site.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-dependencies.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"

echo "The console downloader (trovanel-console) and the sample site are not built yet:"
echo "this build holds the runtime services they stand on. See README.md."
