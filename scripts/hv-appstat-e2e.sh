#!/usr/bin/env bash
# The application status console end to end: brings up the two-system pair,
# runs appstat_e2e inside SYSA under a virtual X server, takes H2 out of
# service on SYSB once the console shows the pair, and takes the pair down
# again. Exits 77 where network namespaces cannot be made.
# usage: scripts/hv-appstat-e2e.sh BINDIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BINDIR" >&2; exit 64; }
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
[ -x "$bin/appstat_e2e" ] || { echo "hv-appstat-e2e: $bin/appstat_e2e is missing" >&2; exit 66; }
command -v xvfb-run >/dev/null || { echo "hv-appstat-e2e: xvfb-run is missing" >&2; exit 77; }
dir=$(mktemp -d /tmp/hvaXXXXXX)
console=
cleanup() {
    [ -z "$console" ] || kill "$console" 2>/dev/null || true
    bash "$here/hv-pair.sh" down "$dir/pair" >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap cleanup EXIT
mkdir -p "$dir/pair" "$dir/handshake"
rc=0
bash "$here/hv-pair.sh" up "$dir/pair" "$bin" || rc=$?
[ $rc -eq 0 ] || exit $rc
sysa=$(bash "$here/hv-pair.sh" sys "$dir/pair" a)
sysb=$(bash "$here/hv-pair.sh" sys "$dir/pair" b)
bash "$here/hv-system.sh" exec "$sysa" xvfb-run -a -s "-screen 0 1024x768x24" \
    "$bin/appstat_e2e" "$dir/handshake" &
console=$!
# The console writes "ready" once it shows the pair as it stands.
end=$((SECONDS + 300))
until [ -e "$dir/handshake/ready" ]; do
    if ! kill -0 "$console" 2>/dev/null || [ $SECONDS -ge $end ]; then break; fi
    sleep 0.5
done
if [ -e "$dir/handshake/ready" ]; then
    bash "$here/hv-system.sh" exec "$sysb" hvconfig ins remove H2a >>"$dir/remove.log" 2>&1 ||
        { echo "hv-appstat-e2e: hvconfig ins remove H2a failed on SYSB" >&2; cat "$dir/remove.log" >&2; }
    touch "$dir/handshake/removed"
fi
rc=0
wait "$console" || rc=$?
console=
[ $rc -eq 0 ] || { echo "hv-appstat-e2e: appstat_e2e failed ($rc); logs in $sysa" >&2; tail -20 "$sysa/hvsvc.log" >&2 || true; }
exit $rc
