#!/usr/bin/env bash
# Faults injected into a pair of systems (scripts/hv-pair.sh), one after
# another, each followed by the audit (scripts/hv-audit.sh); a minimal test
# harness. The verdict is the audits': each fault detected, recovered and
# audited, and nothing left running at the end. Prints a report: per fault
# the time to detection and to recovery, as figures taken from the systems'
# own reports (the path watchers' DEAD and ALIVE lines, the journal of the
# hierarchies' actions), and the audits' results. The bounds of those times
# are checked by the benchmarks (bench/PathCutBench, bench/MachineDeathBench),
# not here.
#
# usage: hv-faults.sh BINDIR [DIR]
#   BINDIR  the built programs; DIR  a new or empty directory for the pair
#   (default: a fresh one under /tmp, removed after a successful run).
# Exit status: 0 every fault was detected and recovered and every audit
# passed; 1 otherwise (the pair's logs are kept and named); 77 network
# namespaces cannot be made here (nothing was run); 64 bad command line.
# HV_KEEP=1 leaves the pair running at the end.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=hv-run-lib.sh
. "$here/hv-run-lib.sh"
# The whole run ends by itself within this budget (the CI test allows 600 s),
# so that the pair is always taken down by the runner.
readonly BUDGET=540 RUN_NAME=hv-faults RUN_TMP=hvf
run_start "$@"

# A path comes back within a set-up retry (at most 30 s for a socket, 15 s
# for a serial line, seconds when the peer is back at once; shorter under
# HV_TEST_TIME_SCALE) and a few heartbeats: waits for recovery give up after
# this long (a loaded machine is slower; the figure itself is reported, not
# judged).
readonly RECOVER_WITHIN=90

# The time of the first line of a times file ($1: a watch.times or
# journal.times, each line after the time it was written) at or after time
# $2 that the awk condition $3 matches; empty when none.
first_after() { awk -v t="$2" '$1 >= t && ('"$3"') { print $1; exit }' "$1" 2>/dev/null; }
# When system $1's path watcher heard its path of kind $2 turn $3, at or
# after time $4.
reported() { first_after "$dir/$1/watch.times" "$4" '$2 == "PATH" && $5 == "'"$2"'" && $8 == "'"$3"'"'; }
# The first of two times that is not empty.
either() { if [ -n "$1" ]; then echo "$1"; else echo "$2"; fi; }
# Seconds from time $1 to the last of the times that follow it; "?" when one
# of them is empty (not reported).
span() {
    awk 'BEGIN { m = ARGV[1] + 0
                 for (i = 2; i < ARGC; i++) { if (ARGV[i] == "") { print "?"; exit } if (ARGV[i] + 0 > m) m = ARGV[i] + 0 }
                 printf "%.1f", m - ARGV[1] }' "$@"
}

# The pid the monitor gives a program of a system.
monitored_pid() { inside "$1" procseek "$2" 2>/dev/null; }

step "starting the pair in $dir"
bash "$here/hv-pair.sh" up "$dir" "$bin"
rc=$?
[ $rc -eq 0 ] || exit $rc
# shellcheck disable=SC1091
. "$dir/pair.env"
# A path is DEAD once its heartbeats stay away hbInterval x hbMaxMiss; waits
# for a detection give up after three times that and some slack.
readonly DETECT_WITHIN=$((3 * HB_INTERVAL * HB_MAXMISS + 30))
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
if wait_paths $DETECT_WITHIN TLI=DEAD TTY=ALIVE; then
    detected="TCP DEAD reported in $(span "$t" "$(reported a TLI DEAD "$t")" "$(reported b TLI DEAD "$t")") s"
else detected=$(miss "TCP not DEAD in ${DETECT_WITHIN} s"); fi
a1=$(audit TLI=DEAD TTY=ALIVE)
t=$(now)
bash "$here/hv-pair.sh" link "$dir" up
if wait_paths $RECOVER_WITHIN; then
    recovered="ALIVE reported in $(span "$t" "$(reported a TLI ALIVE "$t")" "$(reported b TLI ALIVE "$t")") s"
else recovered=$(miss "not ALIVE in $RECOVER_WITHIN s"); fi
row "1 veth down, up" "$detected" "$recovered" "audit $a1 / $(audit)"

# Fault 2: the serial line carries nothing, both ways, then again.
step "fault 2: serial line paused"
t=$(now)
bash "$here/hv-pair.sh" line "$dir" pause ab >/dev/null && bash "$here/hv-pair.sh" line "$dir" pause ba >/dev/null
if wait_paths $DETECT_WITHIN TLI=ALIVE TTY=DEAD; then
    detected="serial DEAD reported in $(span "$t" "$(reported a TTY DEAD "$t")" "$(reported b TTY DEAD "$t")") s"
else detected=$(miss "serial not DEAD in ${DETECT_WITHIN} s"); fi
a1=$(audit TLI=ALIVE TTY=DEAD)
t=$(now)
bash "$here/hv-pair.sh" line "$dir" resume ab >/dev/null && bash "$here/hv-pair.sh" line "$dir" resume ba >/dev/null
if wait_paths $RECOVER_WITHIN; then
    recovered="ALIVE reported in $(span "$t" "$(reported a TTY ALIVE "$t")" "$(reported b TTY ALIVE "$t")") s"
else recovered=$(miss "not ALIVE in $RECOVER_WITHIN s"); fi
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
if poll_until "$(until_at 60)" restarted; then detected="restarted with its agents within $(since "$t") s"; else
    detected=$(miss "not restarted with its agents in 60 s")
fi
# The new manager's database link creates the stored paths; a new watcher
# listens to it. A's table may still say ALIVE from before the kill: the
# paths are back once B, whose watcher ran throughout, has them ALIVE too.
bash "$here/hv-pair.sh" watch "$dir" a
b_alive() {
    [ "$(awk '$1 == "PATH" { st[$4] = $7 } END { print st["TLI"], st["TTY"] }' "$dir/b/watch.log")" = "ALIVE ALIVE" ]
}
returned() { b_alive && bash "$here/hv-audit.sh" --paths "$dir"; }
if poll_until "$(until_at $RECOVER_WITHIN)" returned; then
    # The new watcher may start after the paths are back: then SYSB's saw them.
    recovered="paths ALIVE reported in $(span "$t" "$(either "$(reported a TLI ALIVE "$t")" "$(reported b TLI ALIVE "$t")")" \
        "$(either "$(reported a TTY ALIVE "$t")" "$(reported b TTY ALIVE "$t")")") s"
else recovered=$(miss "paths not ALIVE in $RECOVER_WITHIN s"); fi
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

run_report "fault | detection (a path's bound: ${HB_INTERVAL} s x $HB_MAXMISS misses = $((HB_INTERVAL * HB_MAXMISS)) s, checked by the benchmarks) | recovery | audit (after the fault / after recovery)" faults
