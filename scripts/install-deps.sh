#!/usr/bin/env bash
# Installs everything the suite needs to build, test and run, from Debian's packages.
# Safe to run again: it says nothing when all is there.
# Usage: scripts/install-deps.sh [--fuzz]   (--fuzz adds what scripts/fuzz.sh needs)
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libcurl4-openssl-dev libdbus-1-dev
  dbus dbus-daemon xvfb xauth fonts-dejavu-core fonts-dejavu-extra xdg-utils
  python3-dbus
)
# Clang with its libFuzzer and sanitizer runtimes, only for scripts/fuzz.sh.
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
