#!/usr/bin/env bash
# Installs what is needed, builds, and runs the system's communication layer
# on this machine: a communication manager (hvmanager) on a fresh system
# directory, two command-line clients (hvpo) that exchange a message through
# a mailbox of its post office, and the manager stopped again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DHV_BUILD_TESTS=OFF -DHV_BUILD_BENCH=OFF
exec bash scripts/po-exchange.sh build/release/bin
