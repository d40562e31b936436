#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need
# and this machine lacks. Usage: tools/install_deps.sh [run|test]
set -euo pipefail

run_packages=(cmake ninja-build g++ make pkg-config libncurses-dev libasound2-dev libespeak-ng-dev espeak-ng-data
  libspeechd-dev libssl-dev libcurl4-openssl-dev libx11-dev libxtst-dev libatspi2.0-dev libjpeg62-turbo-dev
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core libfluidsynth-dev fluid-soundfont-gm
  libsndfile1-dev libmpg123-dev)
test_packages=(clang-format libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev tmux openssl hyperfine
  lua5.4 lua-cjson tcl8.6 tcllib python3 at-spi2-core dbus dbus-x11 xvfb openbox x11-xkb-utils libgtk-3-dev
  libatk-adaptor libxtst-dev lame)

wanted=("${run_packages[@]}")
if [[ "${1:-run}" == test ]]; then
  wanted+=("${test_packages[@]}")
fi

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
echo "Instalando: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
