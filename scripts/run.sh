#!/usr/bin/env bash
# Installs what is needed, builds, and starts the system's main job on this
# machine, in a fresh system directory unless HV_SYSTEM_DIR is set.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DHV_BUILD_TESTS=OFF -DHV_BUILD_BENCH=OFF
export HV_SYSTEM_DIR="${HV_SYSTEM_DIR:-$(mktemp -d /tmp/hvsys.XXXXXX)}"
exec build/release/bin/hvdemo
