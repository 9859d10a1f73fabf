#!/usr/bin/env bash
# Configures and builds one tree. Usage: build.sh <build-dir> [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$1"; shift
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"
