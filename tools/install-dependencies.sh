#!/usr/bin/env bash
# Installs the Debian packages that building and testing Trovanel need, when any is missing:
# one line per step, and apt's own output in build/logs/install.log, shown when a step fails.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev
  libcurl4-openssl-dev libpcre2-dev libcpp-httplib-dev
  # The content codings that response bodies come in, decoded by the HTTP exchange; the HTTP
  # tests also compress bodies with them as a server would.
  zlib1g-dev libbrotli-dev libzstd-dev
  # The windowed program: Qt 6 Widgets (CMake's Qt6 package also wants the OpenGL headers), the
  # platform plugins (xcb for a desktop, offscreen for the tests) and CJK glyphs.
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-wqy-microhei
  # A real X server for the tests that look at what the window system draws.
  xvfb
  # The console benchmark's baseline client.
  curl
  # The fuzz build: clang with libFuzzer and the sanitizers' runtime.
  clang-14 libclang-rt-14-dev
)

source "$(dirname "$0")/script_steps.sh"
steps_log_open install

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "Dependencies: all ${#packages[@]} packages are installed"
  exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "Dependencies: ${missing[*]} missing; run this as root, or install sudo" >&2
    exit 1
  fi
  as_root=(sudo)
fi
apt_get=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q)
step "Dependencies: updating the package lists" "${apt_get[@]}" update
step "Dependencies: installing ${#missing[@]} packages (${missing[*]})" \
  "${apt_get[@]}" install --no-install-recommends "${missing[@]}"
