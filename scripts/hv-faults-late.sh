#!/usr/bin/env bash
# Faults timed as a real cluster meets them, on a pair of systems
# (scripts/hv-pair.sh), each bounded and followed by the audits; a minimal
# test harness. Prints a report like scripts/hv-faults.sh.
# - A partition, then the machine death of SYSB while the link stays cut:
#   SYSA's restores of H2 are refused by the lock SYSB holds while it lives
#   and are tried again while SYSB stays down; H2 is in service on SYSA
#   within the retry bound, the link still cut.
# - SYSA's manager host (mxrcfgstore) killed between the state change of a
#   lost system and its event: the restarted one runs the event again, and
#   SYSA takes both hierarchies.
#
# usage: hv-faults-late.sh BINDIR [DIR]
# Exit status: 0 all passed; 1 otherwise (logs kept); 77 no network
# namespaces here; 64 bad command line. HV_KEEP=1 leaves the pair running.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

[ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '/^# usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2; exit 64; }
bin=$(cd "$1" && pwd) || exit 64
if [ $# -eq 2 ]; then
    dir=$(realpath -m "$2")
    fresh=0
else
    dir=$(mktemp -d /tmp/hvl.XXXXXX)/p
    fresh=1
fi

readonly RECOVER_WITHIN=60
readonly BUDGET=420
# The restore retries of the database's tunables (RESTORERETRIES x
# RESTORERETRYSECS, defaults) bound the take-over after a partition.
readonly RETRY_BOUND=$((12 * 5))

failures=0
report=()

finish() {
    local rc=$?
    if [ "${HV_KEEP:-0}" = 1 ]; then
        echo "hv-faults-late: the pair stays up in $dir"
        return
    fi
    [ -f "$dir/pair.env" ] && bash "$here/hv-pair.sh" down "$dir" >/dev/null 2>&1
    if { [ $rc -eq 0 ] || [ $rc -eq 77 ]; } && [ $fresh -eq 1 ]; then
        rm -rf "$(dirname "$dir")"
    elif [ $rc -ne 77 ]; then
        echo "hv-faults-late: logs kept in $dir"
    fi
}
trap finish EXIT
trap 'exit 143' TERM INT

until_at() {
    local end=$((SECONDS + $1))
    [ $end -le $BUDGET ] || end=$BUDGET
    echo $end
}
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
wait_paths() {
    local end
    end=$(until_at "$1")
    shift
    until bash "$here/hv-audit.sh" --paths "$dir" "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.2
    done
}
audit() {
    local out
    if out=$(bash "$here/hv-audit.sh" "$dir" "$@" 2>&1); then echo ok; else
        echo "$out" | sed 's/^/    /' >&2
        echo FAILED
    fi
}
row() { report+=("$(printf '%s | %s | %s | %s' "$@")"); }
step() { echo "== $*"; }
inside() {
    local s=$1
    shift
    bash "$here/hv-system.sh" exec "$dir/$s" "$@"
}
wait_for() {
    local end
    end=$(until_at "$1")
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.3
    done
}
hier_isp() { [ "$(inside "$1" hvconfig ins state 2>/dev/null | awk -v h="$2" 'index($1, h) == 1 && $2 == "ISP"' | wc -l)" -eq 3 ]; }
sys_state_on() { inside "$1" hvconfig sys state "$2" 2>/dev/null | awk '{ print $2 }' | grep -qx "$3"; }
hier_audit() {
    local out
    if out=$(bash "$here/hv-audit-hier.sh" "$@" "$dir" 2>&1); then echo ok; else
        echo "$out" | sed 's/^/    /' >&2
        echo FAILED
    fi
}
miss() { echo "FAILED: $1"; }
partition() {
    bash "$here/hv-pair.sh" link "$dir" "$1"
    local verb=pause
    [ "$1" = up ] && verb=resume
    bash "$here/hv-pair.sh" line "$dir" $verb ab >/dev/null && bash "$here/hv-pair.sh" line "$dir" $verb ba >/dev/null
}
# Nothing of a machine runs any more (its processes are in the pair's dir).
nothing_left_of() {
    local procs
    procs=$(ps -eo args=)
    ! grep -qF "$dir/$1/" <<<"$procs"
}

step "starting the pair in $dir"
HV_CRASH_AT=comm-down-event bash "$here/hv-pair.sh" up "$dir" "$bin"
rc=$?
[ $rc -eq 0 ] || exit $rc
# shellcheck disable=SC1091
. "$dir/pair.env"
readonly DETECT_WITHIN=$((HB_INTERVAL * HB_MAXMISS + 10))
t=$(now)
if ! wait_paths $RECOVER_WITHIN || ! wait_for 60 hier_isp a H1 || ! wait_for 60 hier_isp b H2; then
    echo "hv-faults-late: the pair did not come up with H1 on $NAME_A and H2 on $NAME_B" >&2
    exit 1
fi
row "start" "paths ALIVE, H1 on $NAME_A, H2 on $NAME_B in $(since "$t") s" "-" "audit $(audit) / $(hier_audit)"

# A partition, then SYSB's machine dies while the link stays cut.
step "partition, then machine death of $NAME_B"
t=$(now)
partition down
if wait_paths $DETECT_WITHIN TLI=DEAD TTY=DEAD && sys_state_on a "$NAME_B" D; then
    detected="partition: $NAME_B D on $NAME_A in $(since "$t") s"
else detected=$(miss "partition not detected in $DETECT_WITHIN s"); fi
a1=$(hier_audit --apart)
echo "$NAME_B machine-death" >>"$dir/shared/journal"
t=$(now)
bash "$here/hv-system.sh" kill "$dir/b"
if wait_for $((RETRY_BOUND + 10)) hier_isp a H2; then
    recovered="H2 ISP on $NAME_A $(since "$t") s after the death (retry bound $RETRY_BOUND s), link still cut"
else recovered=$(miss "H2 not ISP on $NAME_A within the retry bound"); fi
row "partition, death of $NAME_B" "$detected" "$recovered" "audit $a1 / $(hier_audit)"

step "$NAME_B started again, link healed"
t=$(now)
partition up
bash "$here/hv-pair.sh" start "$dir" b >/dev/null 2>&1
if wait_paths $RECOVER_WITHIN; then healed="paths ALIVE in $(since "$t") s"; else healed=$(miss "paths not ALIVE"); fi
row "$NAME_B back" "$healed" "-" "audit $(audit) / $(hier_audit)"

# SYSA's manager host dies after it recorded SYSB's loss, before the event.
step "$NAME_A's mxrcfgstore killed between $NAME_B's state change and its event"
: >"$dir/a/crash.once"
echo "$NAME_B machine-death" >>"$dir/shared/journal"
t=$(now)
bash "$here/hv-system.sh" kill "$dir/b"
# The manager host and the daemon restart as one group: the state is read
# once the database answers again.
if wait_for $DETECT_WITHIN test ! -e "$dir/a/crash.once" && wait_for 30 sys_state_on a "$NAME_B" D; then
    detected="$NAME_B D on $NAME_A, its mxrcfgstore killed at the event, in $(since "$t") s"
else detected=$(miss "the crash place was not reached in $DETECT_WITHIN s"); fi
if wait_for $((DETECT_WITHIN + 60)) hier_isp a H1 && wait_for 30 hier_isp a H2; then
    recovered="H1 and H2 ISP on $NAME_A in $(since "$t") s"
else recovered=$(miss "not both ISP on $NAME_A: $(inside a hvconfig ins state | awk '{printf "%s=%s ", $1, $2}')"); fi
row "mxrcfgstore killed before the event" "$detected" "$recovered" "audit $(hier_audit)"

if [ "${HV_KEEP:-0}" != 1 ]; then
    step "stopping the pair"
    bash "$here/hv-pair.sh" down "$dir"
    if nothing_left_of a && nothing_left_of b; then stopped=ok; else stopped=FAILED; fi
    row "stop" "-" "-" "nothing left: $stopped"
fi

echo
echo "fault | detection | recovery | audit"
printf '%s\n' "${report[@]}"
failures=$((failures + $(printf '%s\n' "${report[@]}" | grep -o 'FAILED' | wc -l)))
if [ $failures -eq 0 ]; then
    echo "late faults: all passed"
    exit 0
fi
echo "late faults: FAILED, $failures failures"
exit 1
