#!/usr/bin/env bash
# Faults injected into a pair of systems (scripts/hv-pair.sh), one after
# another, each bounded in time and followed by the audit (scripts/hv-audit.sh);
# a minimal test harness. Prints a report: per fault the time to detection,
# the time to recovery and the audit's result.
#
# usage: hv-faults.sh BINDIR [DIR]
#   BINDIR  the built programs; DIR  a new or empty directory for the pair
#   (default: a fresh one under /tmp, removed after a successful run).
# Exit status: 0 every fault was detected and recovered in time and every
# audit passed; 1 otherwise (the pair's logs are kept and named); 77 network
# namespaces cannot be made here (nothing was run); 64 bad command line.
# HV_KEEP=1 leaves the pair running at the end.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

[ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '/^# usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2; exit 64; }
bin=$(cd "$1" && pwd) || exit 64
if [ $# -eq 2 ]; then
    dir=$(realpath -m "$2")
    fresh=0
else
    dir=$(mktemp -d /tmp/hvf.XXXXXX)/p
    fresh=1
fi

# A path comes back within a set-up retry (at most 30 s for a socket, 15 s
# for a serial line, seconds when the peer is back at once; shorter under
# HV_TEST_TIME_SCALE) and a few heartbeats.
readonly RECOVER_WITHIN=60

failures=0
report=()

finish() {
    local rc=$?
    if [ "${HV_KEEP:-0}" = 1 ]; then
        echo "hv-faults: the pair stays up in $dir (take it down with scripts/hv-pair.sh down $dir)"
        return
    fi
    [ -f "$dir/pair.env" ] && bash "$here/hv-pair.sh" down "$dir" >/dev/null 2>&1
    if { [ $rc -eq 0 ] || [ $rc -eq 77 ]; } && [ $fresh -eq 1 ]; then
        rm -rf "$(dirname "$dir")"
    elif [ $rc -ne 77 ]; then
        echo "hv-faults: logs kept in $dir"
    fi
}
trap finish EXIT
trap 'exit 143' TERM INT

# The whole run ends by itself within this budget (the CI test allows 300 s),
# so that the pair is always taken down by the runner.
readonly BUDGET=270
# The end of a wait of secs seconds, within the budget.
until_at() {
    local end=$((SECONDS + $1))
    [ $end -le $BUDGET ] || end=$BUDGET
    echo $end
}

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# Waits at most secs seconds for the paths to be in the given states on both
# systems; 0 when they were.
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
    if out=$(bash "$here/hv-audit.sh" "$dir" "$@" 2>&1); then
        echo ok
    else
        echo "$out" | sed 's/^/    /' >&2
        echo FAILED
    fi
}

# One line of the report: fault, what was detected in how long, recovery,
# audit results.
row() { report+=("$(printf '%s | %s | %s | %s' "$@")"); }

step() { echo "== $*"; }

inside() {
    local s=$1
    shift
    bash "$here/hv-system.sh" exec "$dir/$s" "$@"
}

# The pid the monitor gives a program of a system.
monitored_pid() { inside "$1" procseek "$2" 2>/dev/null; }

step "starting the pair in $dir"
bash "$here/hv-pair.sh" up "$dir" "$bin"
rc=$?
[ $rc -eq 0 ] || exit $rc
# shellcheck disable=SC1091
. "$dir/pair.env"
# A path is DEAD once its heartbeats stay away this long, plus some slack.
readonly DETECT_WITHIN=$((HB_INTERVAL * HB_MAXMISS + 10))
t=$(now)
if ! wait_paths $RECOVER_WITHIN; then
    echo "hv-faults: the paths did not come up within $RECOVER_WITHIN s" >&2
    bash "$here/hv-audit.sh" "$dir" >&2
    exit 1
fi
row "start" "paths ALIVE in $(since "$t") s" "-" "audit $(audit)"

# Fault 1: the network link goes down and comes back.
step "fault 1: veth down"
t=$(now)
bash "$here/hv-pair.sh" link "$dir" down
if wait_paths $DETECT_WITHIN TLI=DEAD TTY=ALIVE; then detected="TCP DEAD in $(since "$t") s"; else
    detected="TCP not DEAD in ${DETECT_WITHIN} s"
    failures=$((failures + 1))
fi
a1=$(audit TLI=DEAD TTY=ALIVE)
t=$(now)
bash "$here/hv-pair.sh" link "$dir" up
if wait_paths $RECOVER_WITHIN; then recovered="ALIVE in $(since "$t") s"; else
    recovered="not ALIVE in $RECOVER_WITHIN s"
    failures=$((failures + 1))
fi
row "1 veth down, up" "$detected" "$recovered" "audit $a1 / $(audit)"

# Fault 2: the serial line carries nothing, both ways, then again.
step "fault 2: serial line paused"
t=$(now)
bash "$here/hv-pair.sh" line "$dir" pause ab >/dev/null && bash "$here/hv-pair.sh" line "$dir" pause ba >/dev/null
if wait_paths $DETECT_WITHIN TLI=ALIVE TTY=DEAD; then detected="serial DEAD in $(since "$t") s"; else
    detected="serial not DEAD in ${DETECT_WITHIN} s"
    failures=$((failures + 1))
fi
a1=$(audit TLI=ALIVE TTY=DEAD)
t=$(now)
bash "$here/hv-pair.sh" line "$dir" resume ab >/dev/null && bash "$here/hv-pair.sh" line "$dir" resume ba >/dev/null
if wait_paths $RECOVER_WITHIN; then recovered="ALIVE in $(since "$t") s"; else
    recovered="not ALIVE in $RECOVER_WITHIN s"
    failures=$((failures + 1))
fi
row "2 line paused, resumed" "$detected" "$recovered" "audit $a1 / $(audit)"

# Fault 3: A's manager is killed; the monitor restarts it with its agents.
step "fault 3: SYSA's manager killed"
old=$(monitored_pid a mxrcfgstore)
oldSock=$(monitored_pid a sockagent)
oldTty=$(monitored_pid a ttyagent)
dropsB=$(grep -c ' DEAD$' "$dir/b/watch.log")
t=$(now)
inside a kill -KILL "$old"
restarted() {
    local m s y
    m=$(monitored_pid a mxrcfgstore) s=$(monitored_pid a sockagent) y=$(monitored_pid a ttyagent)
    [ "${m:--1}" -gt 1 ] && [ "$m" != "$old" ] && [ "${s:--1}" -gt 1 ] && [ "$s" != "$oldSock" ] &&
        [ "${y:--1}" -gt 1 ] && [ "$y" != "$oldTty" ] && inside a hvpo -w 0 list >/dev/null 2>&1
}
end=$(until_at 30)
until restarted; do
    [ $SECONDS -lt $end ] || break
    sleep 0.2
done
if restarted; then detected="restarted with its agents in $(since "$t") s"; else
    detected="not restarted with its agents in 30 s"
    failures=$((failures + 1))
fi
# The new manager's database link creates the stored paths; a new watcher
# listens to it. A's table may still say ALIVE from before the kill: the
# paths are back once B, whose watcher ran throughout, has them ALIVE too.
bash "$here/hv-pair.sh" watch "$dir" a
b_alive() {
    [ "$(awk '$1 == "PATH" { st[$4] = $7 } END { print st["TLI"], st["TTY"] }' "$dir/b/watch.log")" = "ALIVE ALIVE" ]
}
returned() { b_alive && bash "$here/hv-audit.sh" --paths "$dir"; }
end=$(until_at $RECOVER_WITHIN)
sleep 1
until returned; do
    [ $SECONDS -lt "$end" ] || break
    sleep 0.2
done
if returned; then recovered="paths ALIVE in $(since "$t") s"; else
    recovered="paths not ALIVE in $RECOVER_WITHIN s"
    failures=$((failures + 1))
fi
seen=$(($(grep -c ' DEAD$' "$dir/b/watch.log") - dropsB))
row "3 SYSA manager killed" "$detected" "$recovered (SYSB saw $seen drops)" "audit $(audit)"

# Faults 4 to 7: machine deaths, a restart and a partition.
# shellcheck source=hv-failover.sh
. "$here/hv-failover.sh"

if [ "${HV_KEEP:-0}" != 1 ]; then
    step "stopping the pair"
    t=$(now)
    bash "$here/hv-pair.sh" down "$dir"
    # Nothing of the machines or the line may be left running.
    procs=$(ps -eo pid=,args=)
    left=$(grep -cF -e "$dir/a/" -e "$dir/b/" -e "$dir/line" <<<"$procs")
    [ "$left" -eq 0 ] || grep -F -e "$dir/a/" -e "$dir/b/" -e "$dir/line" <<<"$procs" | sed 's/^/    left: /' >&2
    netns=$(ip netns list | grep -cF -e "$NS_A" -e "$NS_B")
    if [ "$left" -eq 0 ] && [ "$netns" -eq 0 ]; then stopped=ok; else stopped=FAILED; fi
    row "stop (orderly)" "stopped in $(since "$t") s" "-" "nothing left: $stopped ($left processes, $netns namespaces)"
fi

echo
echo "fault | detection (a path's bound: ${HB_INTERVAL} s x $HB_MAXMISS misses = $((HB_INTERVAL * HB_MAXMISS)) s) | recovery | audit (after the fault / after recovery)"
printf '%s\n' "${report[@]}"
failures=$((failures + $(printf '%s\n' "${report[@]}" | grep -o 'FAILED' | wc -l)))
if [ $failures -eq 0 ]; then
    echo "faults: all passed"
    exit 0
fi
echo "faults: FAILED, $failures failures"
exit 1
