#!/usr/bin/env bash
# The consoles' utility library end to end: brings up the two-system pair,
# runs panelaid_e2e inside SYSA under a virtual X server, and takes the pair
# down again. Exits 77 where network namespaces cannot be made.
# usage: scripts/hv-console-e2e.sh BINDIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BINDIR" >&2; exit 64; }
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
[ -x "$bin/panelaid_e2e" ] || { echo "hv-console-e2e: $bin/panelaid_e2e is missing" >&2; exit 66; }
command -v xvfb-run >/dev/null || { echo "hv-console-e2e: xvfb-run is missing" >&2; exit 77; }
dir=$(mktemp -d /tmp/hvcXXXXXX)
cleanup() {
    bash "$here/hv-pair.sh" down "$dir" >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap cleanup EXIT
rc=0
bash "$here/hv-pair.sh" up "$dir" "$bin" || rc=$?
[ $rc -eq 0 ] || exit $rc
sysa=$(bash "$here/hv-pair.sh" sys "$dir" a)
rc=0
bash "$here/hv-system.sh" exec "$sysa" xvfb-run -a -s "-screen 0 1024x768x24" "$bin/panelaid_e2e" || rc=$?
[ $rc -eq 0 ] || { echo "hv-console-e2e: panelaid_e2e failed ($rc); logs in $sysa" >&2; tail -20 "$sysa/hvsvc.log" >&2 || true; }
exit $rc
