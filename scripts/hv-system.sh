#!/usr/bin/env bash
# One simulated system ("machine") of a test cluster, a minimal harness.
#
# A system lives in a network namespace that the caller made (its veth end
# and /etc/netns/<ns>/hosts naming every system), and in a PID and a mount
# namespace of its own: its own /proc, and its system directory's run/ on a
# fresh tmpfs, so that its pipes, segments and locks die with the machine as
# after a reboot. It has its own system directory and root; its one host name
# is in MXRHOSTNAME, TEST_UNAME and the registry's ComputerName. The machine's
# first process (a small init that reaps orphans) starts the cluster service
# hvsvc, whose process monitor starts, from <root>/etc/hvinit.config, the
# database daemon <root>/bin/qdb, the manager's host <root>/bin/mxrcfgstore
# and both agents. Manager and agents are one fault-resilient group: an agent
# never rebuilds its manager connection, so it is restarted with the manager.
#
# usage: hv-system.sh start DIR NAME NETNS BINDIR   prepare DIR and boot the machine
#        hv-system.sh stop  DIR                     orderly: the service stops, the
#                                                   machine's processes get SIGTERM
#        hv-system.sh kill  DIR                     machine death (its PID namespace);
#                                                   DIR/killed.at: when the kill landed
#        hv-system.sh exec  DIR COMMAND [ARGS]      run COMMAND inside the machine
#        hv-system.sh up    DIR                     exit 0 while the machine runs
# DIR is the system's own directory (short: socket paths below it are limited
# to 107 bytes). Environment: HV_CRASH_AT (a crash test's place; the
# process that reaches it first after DIR/crash.once is made dies there) and
# HV_TEST_TIME_SCALE are passed to the system's
# processes (only a build with tests honours it).
set -euo pipefail

usage() {
    sed -n '/^# usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 64
}

# The programs the monitor keeps running, in start order: program, group.
# Poll time 1 s; restarts without a practical limit in a window of 60 s.
monitored() {
    local root=$1
    cat <<EOF
# The database daemon: a group of its own.
$root/bin/qdb 1 X 1 30 1 60 X
# The manager's host and both agents: one fault-resilient group.
$root/bin/mxrcfgstore 2 X 1 30 1 60 X
$root/bin/sockagent|-t 2 X 1 30 1 60 X
$root/bin/ttyagent|-t 2 X 1 30 1 60 X
EOF
}

init_pid() { cat "$1/init.pid" 2>/dev/null || true; }

machine_up() {
    local pid
    pid=$(init_pid "$1")
    [ -n "$pid" ] && [ -e "/proc/$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = hv-init ]
}

# The environment of every process of the system.
system_env() {
    local dir=$1
    # shellcheck disable=SC1091
    . "$dir/env"
    echo "HV_SYSTEM_DIR=$HV_SYSTEM_DIR" "MXRHOSTNAME=$SYS_NAME" "TEST_UNAME=$SYS_NAME" "TEST_ROOT=$SYS_ROOT" \
        "HV_TEST_TIME_SCALE=${SYS_TIME_SCALE:-}" "ASAN_OPTIONS=detect_leaks=0" "PATH=$SYS_BIN:/usr/sbin:/usr/bin:/sbin:/bin" \
        "HV_CRASH_AT=${SYS_CRASH_AT:-}" "HV_CRASH_FLAG=$dir/crash.once"
}

start() {
    [ $# -eq 4 ] || usage
    local dir name ns bin
    dir=$(realpath -m "$1")
    name=$2 ns=$3
    bin=$(cd "$4" && pwd)
    case $name in *[!A-Z0-9_-]* | "") echo "hv-system: NAME is upper-case letters, digits, '-' or '_'" >&2; exit 64 ;; esac
    [ ${#name} -le 15 ] || { echo "hv-system: NAME has at most 15 characters" >&2; exit 64; }
    for p in hvsvc hvsvcctl hvreg hvconfig hvpo hvi_status procseek qdb mxrcfgstore sockagent ttyagent; do
        [ -x "$bin/$p" ] || { echo "hv-system: $bin/$p is missing" >&2; exit 66; }
    done
    if machine_up "$dir"; then echo "hv-system: $name runs already" >&2; exit 1; fi
    local here root sys
    here=$(cd "$(dirname "$0")" && pwd)
    root=$dir/root sys=$dir/sys
    mkdir -p "$root/etc" "$root/tmp" "$sys/run" "$dir"
    bash "$here/install-bin.sh" "$root" "$bin"
    for p in sockagent ttyagent; do ln -sfn "$bin/$p" "$root/bin/$p"; done
    cp "$here/../tools/standins/inh_failover.ksh" "$root/bin/"
    cat >"$dir/env" <<EOF
HV_SYSTEM_DIR=$sys
SYS_NAME=$name
SYS_ROOT=$root
SYS_NS=$ns
SYS_BIN=$bin
SYS_TIME_SCALE=${HV_TEST_TIME_SCALE:-}
SYS_CRASH_AT=${HV_CRASH_AT:-}
EOF
    # The registry, as setup fills it: the root, the name, process logs.
    local -a env
    read -r -a env <<<"$(system_env "$dir")"
    env "${env[@]}" "$bin/hvreg" set General RootDir "$root"
    env "${env[@]}" "$bin/hvreg" computer-name "$name"
    env "${env[@]}" "$bin/hvreg" set HVINIT ProcessLogging 1
    # The adapters' TCP/IP settings, as the machine's network namespace has them.
    ip netns exec "$ns" env "${env[@]}" "$bin/hvreg" adapters >/dev/null
    monitored "$root" >"$root/etc/hvinit.config"
    # Each boot starts from the tables on disk; the old segment files are on
    # the tmpfs that died with the last boot.
    rm -f "$dir/init.pid"
    # The machine: PID 1 mounts run/ and starts the service.
    cat >"$dir/init.sh" <<'EOF'
# PID 1 of a simulated machine: mounts the system directory's run/ on a
# fresh tmpfs, starts the cluster service and reaps every orphan until the
# service ends; then the machine's other processes get SIGTERM, 5 s to end.
set -u
printf hv-init >/proc/self/comm
mount -t tmpfs -o mode=0770,size=64m hvrun "$HV_SYSTEM_DIR/run" || exit 71
"$1/hvsvc" >>"$2/hvsvc.log" 2>&1 </dev/null &
svc=$!
while kill -0 "$svc" 2>/dev/null; do wait "$svc"; done
kill -TERM -1 2>/dev/null
for _ in $(seq 50); do
    set -- /proc/[0-9]*
    [ $# -le 1 ] && break
    sleep 0.1
done
exit 0
EOF
    setsid env -i "${env[@]}" ip netns exec "$ns" \
        unshare --pid --fork --mount --mount-proc --propagation private \
        bash "$dir/init.sh" "$bin" "$dir" </dev/null >>"$dir/init.log" 2>&1 &
    local outer=$!
    # The machine's PID 1 is unshare's child.
    local pid=""
    for _ in $(seq 100); do
        pid=$(cat "/proc/$outer/task/$outer/children" 2>/dev/null | awk '{print $1}')
        [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = hv-init ] && break
        pid=""
        sleep 0.05
    done
    [ -n "$pid" ] || { echo "hv-system: $name did not boot (see $dir/init.log)" >&2; exit 1; }
    echo "$pid" >"$dir/init.pid"
    echo "$outer" >"$dir/unshare.pid"
    echo "hv-system: $name booted (init pid $pid)"
}

run_inside() {
    local dir=$1
    shift
    machine_up "$dir" || { echo "hv-system: the machine of $dir is not running" >&2; return 69; }
    local -a env
    read -r -a env <<<"$(system_env "$dir")"
    nsenter -t "$(init_pid "$dir")" -n -m -p -- env -i "${env[@]}" "$@"
}

stop() {
    local dir=$1
    machine_up "$dir" || return 0
    # shellcheck disable=SC1091
    . "$dir/env"
    run_inside "$dir" "$SYS_BIN/hvsvcctl" stop >/dev/null 2>&1 || true
    local pid
    pid=$(init_pid "$dir")
    for _ in $(seq 150); do
        machine_up "$dir" || break
        sleep 0.1
    done
    if machine_up "$dir"; then kill -KILL "$pid" 2>/dev/null || true; fi
    reap "$dir"
}

# Machine death: PID 1 of the namespace gets SIGKILL and the kernel kills
# every other process of the machine with it.
kill_machine() {
    local dir=$1
    rm -f "$dir/killed.at"
    # The time the kill landed goes to killed.at (for the benchmarks).
    if machine_up "$dir"; then kill -KILL "$(init_pid "$dir")" && echo "$EPOCHREALTIME" >"$dir/killed.at"; fi
    reap "$dir"
}

# Waits (5 s at most) for the launching unshare to end.
reap() {
    local outer
    outer=$(cat "$1/unshare.pid" 2>/dev/null || true)
    [ -n "$outer" ] || return 0
    for _ in $(seq 50); do
        [ -e "/proc/$outer" ] || break
        sleep 0.1
    done
    rm -f "$1/init.pid" "$1/unshare.pid"
}

[ $# -ge 2 ] || usage
cmd=$1
shift
case $cmd in
start) start "$@" ;;
stop) [ $# -eq 1 ] || usage; stop "$1" ;;
kill) [ $# -eq 1 ] || usage; kill_machine "$1" ;;
exec) [ $# -ge 2 ] || usage; d=$1; shift; run_inside "$d" "$@" ;;
up) [ $# -eq 1 ] || usage; machine_up "$1" ;;
*) usage ;;
esac
