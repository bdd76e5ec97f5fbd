#!/usr/bin/env bash
# Installs every Debian package the Orvella Configurator needs to build, run and test.
# Safe to run again: packages already present are left as they are.
# HTTPS runs on Qt's OpenSSL backend (libqt6network6 brings libssl3); ca-certificates holds the
# roots it checks web sites against. libmdb (mdbtools-dev) reads the Windows version's Jet databases.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libsqlite3-dev libtag1-dev libjemalloc-dev
  mdbtools-dev libmdb3
  libgtest-dev
  ca-certificates
  fonts-liberation2
  python3 python3-mutagen
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
