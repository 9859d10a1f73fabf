#!/usr/bin/env bash
# Configures and builds one tree. Usage: build.sh <build-dir> [cmake options...]
# Compiles through ccache when it is installed. Paths are hashed relative to
# the checkout, so another clone or work tree of the project reuses the cache.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$1"; shift
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 CCACHE_SLOPPINESS=time_macros
  export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-20G}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir"
