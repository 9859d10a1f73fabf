#!/usr/bin/env bash
# The hardware console end to end: brings up the two-system pair, runs
# hwman_e2e inside SYSA under a virtual X server, adds SYSB's end of the
# socket path the console made (the port the console wrote), and takes the
# pair down again. Exits 77 where network namespaces cannot be made.
# usage: scripts/hwman-e2e.sh BINDIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BINDIR" >&2; exit 64; }
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
[ -x "$bin/hwman_e2e" ] || { echo "hwman-e2e: $bin/hwman_e2e is missing" >&2; exit 66; }
command -v xvfb-run >/dev/null || { echo "hwman-e2e: xvfb-run is missing" >&2; exit 77; }
dir=$(mktemp -d /tmp/hvwXXXXXX)
e2e=""
cleanup() {
    [ -z "$e2e" ] || kill "$e2e" 2>/dev/null || true
    bash "$here/hv-pair.sh" down "$dir/pair" >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap cleanup EXIT
rc=0
bash "$here/hv-pair.sh" up "$dir/pair" "$bin" || rc=$?
[ $rc -eq 0 ] || exit $rc
sysa=$(bash "$here/hv-pair.sh" sys "$dir/pair" a)
sysb=$(bash "$here/hv-pair.sh" sys "$dir/pair" b)
mkdir -p "$dir/talk"
HWMAN_E2E_DIR="$dir/talk" bash "$here/hv-system.sh" exec "$sysa" env HWMAN_E2E_DIR="$dir/talk" \
    xvfb-run -a -s "-screen 0 1024x768x24" "$bin/hwman_e2e" &
e2e=$!
# The console writes the port of its new path; SYSB's end follows.
end=$((SECONDS + 240))
while [ ! -s "$dir/talk/port" ] && kill -0 "$e2e" 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.3; done
if [ -s "$dir/talk/port" ]; then
    port=$(tr -dc 0-9 <"$dir/talk/port")
    bash "$here/hv-system.sh" exec "$sysb" hvconfig net create SYSA "TCPIP:$port" TLI 2 5 >/dev/null
    touch "$dir/talk/peer-done"
fi
rc=0
wait "$e2e" || rc=$?
e2e=""
[ $rc -eq 0 ] || { echo "hwman-e2e: hwman_e2e failed ($rc); logs in $sysa" >&2; tail -20 "$sysa/hvsvc.log" >&2 || true; }
exit $rc
