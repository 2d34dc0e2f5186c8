#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on Debian 12, once.
set -euo pipefail
packages=(cmake g++ clang libclang-rt-14-dev pkg-config ccache git
          qt6-base-dev libgl-dev fonts-liberation
          libcurl4-openssl-dev libcpp-httplib-dev libssl-dev
          libgtest-dev libgmock-dev libbenchmark-dev curl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
