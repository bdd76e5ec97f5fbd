#!/usr/bin/env bash
# Installs, builds and starts the Orvella Configurator from its program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec build/Orvella/orvella-configurator "$@"
