#!/usr/bin/env bash
# The consoles end to end: brings up the two-system pair, runs PROGRAM
# (default panelaid_e2e) from BINDIR inside SYSA under a virtual X server, and
# takes the pair down again. Exits 77 where network namespaces cannot be made.
# With STEPs, each in turn: "audit" runs scripts/hv-audit-hier.sh on the pair,
# any other word runs PROGRAM with that word as its one argument.
# usage: scripts/hv-console-e2e.sh BINDIR [PROGRAM [STEP...]]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BINDIR [PROGRAM [STEP...]]" >&2; exit 64; }
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
program=${2:-panelaid_e2e}
steps=("${@:3}")
case $program in */*) echo "hv-console-e2e: PROGRAM is a name in BINDIR" >&2; exit 64 ;; esac
[ -x "$bin/$program" ] || { echo "hv-console-e2e: $bin/$program is missing" >&2; exit 66; }
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
run() {
    local rc=0
    bash "$here/hv-system.sh" exec "$sysa" xvfb-run -a -s "-screen 0 1024x768x24" "$bin/$program" "$@" || rc=$?
    [ $rc -eq 0 ] || { echo "hv-console-e2e: $program $* failed ($rc); logs in $sysa" >&2; tail -20 "$sysa/hvsvc.log" >&2 || true; }
    return $rc
}
[ ${#steps[@]} -gt 0 ] || { run; exit $?; }
for step in "${steps[@]}"; do
    if [ "$step" = audit ]; then
        bash "$here/hv-audit-hier.sh" "$dir" || exit 1
    else
        run "$step" || exit 1
    fi
done
