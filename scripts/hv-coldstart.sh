#!/usr/bin/env bash
# An operator's switchover and cold starts of a pair of systems
# (scripts/hv-pair.sh). The switchover moves H1 to SYSB and back (remove on
# one, restore on the other); a restore that the SHARED rule refuses runs no
# script. Then both machines die
# at once and boot together, first from the pair as set up, then after a
# failover (SYSA's machine died and SYSB took H1 over). After each, every
# hierarchy must be in service on exactly one system, its primary's
# (scripts/hv-audit-hier.sh), and no action script's keeper may run on the
# other; at the end the pair is stopped and nothing of it may be left
# running. A minimal test harness; prints a report like scripts/hv-faults.sh.
#
# usage: hv-coldstart.sh BINDIR [DIR]
#   BINDIR  the built programs; DIR  a new or empty directory for the pair
#   (default: a fresh one under /tmp, removed after a successful run).
# Exit status: 0 all passed; 1 otherwise (the logs are kept and named); 77
# network namespaces cannot be made here (nothing was run); 64 bad command line.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

[ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '/^# usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2; exit 64; }
bin=$(cd "$1" && pwd) || exit 64
if [ $# -eq 2 ]; then
    dir=$(realpath -m "$2")
    fresh=0
else
    dir=$(mktemp -d /tmp/hvc.XXXXXX)/p
    fresh=1
fi

readonly BUDGET=420
failures=0
report=()

finish() {
    local rc=$?
    [ -f "$dir/pair.env" ] && bash "$here/hv-pair.sh" down "$dir" >/dev/null 2>&1
    if { [ $rc -eq 0 ] || [ $rc -eq 77 ]; } && [ $fresh -eq 1 ]; then
        rm -rf "$(dirname "$dir")"
    elif [ $rc -ne 77 ]; then
        echo "hv-coldstart: logs kept in $dir"
    fi
}
trap finish EXIT
trap 'exit 143' TERM INT

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
step() { echo "== $*"; }
row() { report+=("$(printf '%s | %s | %s' "$@")"); }
inside() {
    local s=$1
    shift
    bash "$here/hv-system.sh" exec "$dir/$s" "$@"
}
# Waits at most secs seconds (within the budget) for a command to succeed.
wait_for() {
    local end=$((SECONDS + $1))
    [ $end -le $BUDGET ] || end=$BUDGET
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.5
    done
}
# Whether hierarchy h is ISP in all three instances on system s.
hier_isp() { [ "$(inside "$1" hvconfig ins state 2>/dev/null | awk -v h="$2" 'index($1, h) == 1 && $2 == "ISP"' | wc -l)" -eq 3 ]; }
states_of() { inside "$1" hvconfig ins state 2>/dev/null | awk '{ printf "%s=%s ", $1, $2 }'; }
# The keepers of action-script locks that run on system s, as hierarchy names.
keepers_on() {
    local s=$1 f p n
    for f in "$dir/$s"/root/tmp/lock.*.keeper; do
        [ -f "$f" ] || continue
        read -r p n <"$f" 2>/dev/null || continue
        if [ -n "$p" ] && inside "$s" kill -0 "$p" 2>/dev/null; then
            n=${f##*/lock.}
            printf '%s ' "${n%.keeper}"
        fi
    done
}
# The audits after a start: each hierarchy on its expected owner, the
# hierarchy audit, and keepers only where their hierarchy runs.
audits() {
    local owner1=$1 owner2=$2 out findings=""
    out=$(bash "$here/hv-audit-hier.sh" "$dir" 2>&1) || findings="$findings $(tr '\n' ';' <<<"$out")"
    hier_isp "$owner1" H1 || findings="$findings H1 not on $owner1;"
    hier_isp "$owner2" H2 || findings="$findings H2 not on $owner2;"
    local s k
    for s in a b; do
        for k in $(keepers_on $s); do
            { [ "$k" = H1 ] && [ $s = "$owner1" ]; } || { [ "$k" = H2 ] && [ $s = "$owner2" ]; } ||
                findings="$findings keeper of $k runs on $s;"
        done
    done
    if [ -z "$findings" ]; then echo ok; else
        echo "FAILED:$findings (a: $(states_of a); b: $(states_of b))"
    fi
}
# Both machines die at once and boot together; then every hierarchy must
# come back, each on one system.
cold_start() {
    local label=$1 t
    step "$label: both machines killed, booted together"
    echo "SYSA machine-death" >>"$dir/shared/journal"
    echo "SYSB machine-death" >>"$dir/shared/journal"
    bash "$here/hv-system.sh" kill "$dir/a" &
    bash "$here/hv-system.sh" kill "$dir/b" &
    wait
    t=$(now)
    bash "$here/hv-pair.sh" start "$dir" a >"$dir/start-a.log" 2>&1 &
    local pa=$!
    bash "$here/hv-pair.sh" start "$dir" b >"$dir/start-b.log" 2>&1 &
    local pb=$!
    wait $pa && wait $pb || { cat "$dir/start-a.log" "$dir/start-b.log" >&2; }
    local came
    if wait_for 120 hier_isp a H1 && wait_for 30 hier_isp b H2; then came="H1 on SYSA, H2 on SYSB in $(since "$t") s"; else
        came="FAILED: not back in 150 s"
    fi
    # A moment for a second, wrong restore to show.
    wait_for 5 false
    row "$label" "$came" "audit $(audits a b)"
}

step "starting the pair in $dir"
bash "$here/hv-pair.sh" up "$dir" "$bin"
rc=$?
[ $rc -eq 0 ] || exit $rc
# shellcheck disable=SC1091
. "$dir/pair.env"
wait_for 60 bash "$here/hv-audit.sh" --paths "$dir" || echo "hv-coldstart: the paths did not come up" >&2
row "start" "H1 on SYSA, H2 on SYSB" "audit $(audits a b)"

# A restore that the SHARED rule refuses: SYSA runs H1 and cannot remove it
# (its remove scripts fail); SYSB's restore runs no script and gives 922.
step "restore on SYSB refused while SYSA runs H1"
touch "$dir/shared/fail.remove.$NAME_A"
j=$(($(wc -l <"$dir/shared/journal") + 1))
out=$(inside b hvconfig ins restore H1a 2>&1)
rc=$?
rm -f "$dir/shared/fail.remove.$NAME_A"
ran=$(tail -n +"$j" "$dir/shared/journal" | awk -v n="$NAME_B" '$1 == n && $2 ~ /^restore/' | wc -l)
if [ $rc -ne 0 ] && grep -q "922" <<<"$out" && [ "$ran" -eq 0 ]; then refused="refused with 922, no script ran"; else
    refused="FAILED: exit $rc, $ran scripts of SYSB ran: $(tr '\n' ';' <<<"$out")"
fi
row "restore refused by the SHARED rule" "$refused" "audit $(audits a b)"

# The operator's switchover of H1 to SYSB: removed on SYSA, restored on SYSB.
step "switchover of H1 to SYSB"
if inside a hvconfig ins remove H1a >>"$dir/a/restore.log" 2>&1 && inside b hvconfig ins restore H1a >>"$dir/b/restore.log" 2>&1 &&
    wait_for 20 hier_isp b H1; then moved="H1 on SYSB"; else moved="FAILED: H1 not on SYSB ($(states_of a); $(states_of b))"; fi
row "switchover to SYSB" "$moved" "audit $(audits b b)"

# And back: removed on SYSB, restored on SYSA.
step "switchover of H1 back to SYSA"
if inside b hvconfig ins remove H1a >>"$dir/b/restore.log" 2>&1 && inside a hvconfig ins restore H1a >>"$dir/a/restore.log" 2>&1 &&
    wait_for 20 hier_isp a H1; then moved="H1 on SYSA"; else moved="FAILED: H1 not on SYSA ($(states_of a); $(states_of b))"; fi
row "switchover back to SYSA" "$moved" "audit $(audits a b)"

cold_start "cold start"

step "failover: machine death of SYSA"
wait_for 60 bash "$here/hv-audit.sh" --paths "$dir"
echo "SYSA machine-death" >>"$dir/shared/journal"
t=$(now)
bash "$here/hv-system.sh" kill "$dir/a"
if wait_for 60 hier_isp b H1; then took="H1 on SYSB in $(since "$t") s"; else took="FAILED: H1 not on SYSB ($(states_of b))"; fi
row "failover" "$took" "-"
cold_start "cold start after the failover"

step "stopping the pair"
bash "$here/hv-pair.sh" down "$dir"
procs=$(ps -eo pid=,args=)
left=$(grep -cF -e "$dir/a/" -e "$dir/b/" -e "$dir/line" <<<"$procs")
netns=$(ip netns list | grep -cF -e "$NS_A" -e "$NS_B")
if [ "$left" -eq 0 ] && [ "$netns" -eq 0 ]; then stopped=ok; else
    grep -F -e "$dir/a/" -e "$dir/b/" -e "$dir/line" <<<"$procs" | sed 's/^/    left: /' >&2
    stopped="FAILED ($left processes, $netns namespaces)"
fi
row "stop" "-" "nothing left: $stopped"

echo
echo "step | outcome | audit"
printf '%s\n' "${report[@]}"
failures=$(printf '%s\n' "${report[@]}" | grep -o 'FAILED' | wc -l)
if [ "$failures" -eq 0 ]; then
    echo "cold starts: all passed"
    exit 0
fi
echo "cold starts: FAILED, $failures failures"
exit 1
