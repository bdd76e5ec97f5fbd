#!/usr/bin/env bash
# Installs what the project needs, then builds it into build/ (the program folder is build/Orvella).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
