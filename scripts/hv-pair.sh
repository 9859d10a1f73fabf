#!/usr/bin/env bash
# Two simulated systems, SYSA and SYSB, on this machine: a minimal test
# harness. Each is a machine of scripts/hv-system.sh in a network namespace
# of its own; the namespaces are joined by a veth pair (10.234.0.1 and
# 10.234.0.2, both names in each one's hosts file), the serial line between
# them is the line simulator (tools/testtools/ttylinesim), and a directory both see
# stands for a shared disk. Both systems are defined in both databases, and
# each has a TCP path (TCPIP:1500) and a serial path to the other (heartbeat
# every 2 s, 5 misses).
#
# usage: hv-pair.sh up    DIR BINDIR     make DIR (new or empty) and start the pair
#        hv-pair.sh down  DIR            stop everything and remove the namespaces
#        hv-pair.sh start DIR a|b        boot a stopped or killed system again, with
#                                        its path watcher (its paths come from its
#                                        database)
#        hv-pair.sh paths DIR a|b        store and create the system's two paths
#        hv-pair.sh watch DIR a|b        (re)start the system's path watcher
#        hv-pair.sh link  DIR up|down    SYSA's end of the veth pair (DIR/link.at: when)
#        hv-pair.sh line  DIR COMMAND    a line simulator command; its answer (DIR/line.at:
#                                        when it was handed over)
#        hv-pair.sh sys   DIR a|b        the system's directory (for hv-system.sh)
# "up" exits 77 where network namespaces cannot be made (not root, no ip(8),
# or refused). The systems' logs: DIR/a and DIR/b (init.log, hvsvc.log,
# root/tmp/*.log, watch.log; watch.times: the watcher's lines, each after the
# time it came).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

usage() {
    sed -n '/^# usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 64
}

readonly TCP_DEVICE=TCPIP:1500 BAUD=38400

load() {
    [ -f "$1/pair.env" ] || { echo "hv-pair: $1 holds no pair" >&2; exit 66; }
    # shellcheck disable=SC1091
    . "$1/pair.env"
}

# The other system's letter and names.
other() { [ "$1" = a ] && echo b || echo a; }
name_of() { [ "$1" = a ] && echo "$NAME_A" || echo "$NAME_B"; }

inside() {
    local dir=$1 s=$2
    shift 2
    bash "$here/hv-system.sh" exec "$dir/$s" "$@"
}

# Runs the command until it succeeds, at most secs seconds.
retry() {
    local secs=$1
    shift
    local end=$((SECONDS + secs))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.3
    done
}

make_namespaces() {
    local dir=$1
    if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null || ! command -v unshare >/dev/null ||
        ! command -v nsenter >/dev/null; then
        echo "hv-pair: network namespaces need root, ip(8), unshare and nsenter: skipped" >&2
        exit 77
    fi
    if ! ip netns add "$NS_A" 2>/dev/null; then
        echo "hv-pair: network namespaces are not permitted here: skipped" >&2
        exit 77
    fi
    echo made >"$dir/netns.made"
    ip netns add "$NS_B"
    ip link add "$VETH_A" type veth peer name "$VETH_B"
    local s ns veth addr
    for s in a b; do
        if [ $s = a ]; then ns=$NS_A veth=$VETH_A addr=$ADDR_A; else ns=$NS_B veth=$VETH_B addr=$ADDR_B; fi
        ip link set "$veth" netns "$ns"
        ip -n "$ns" addr add "$addr/24" dev "$veth"
        ip -n "$ns" link set "$veth" up
        ip -n "$ns" link set lo up
        # "ip netns exec" shows this file as the namespace's /etc/hosts.
        mkdir -p "/etc/netns/$ns"
        printf '127.0.0.1 localhost\n%s %s\n%s %s\n' "$ADDR_A" "$NAME_A" "$ADDR_B" "$NAME_B" >"/etc/netns/$ns/hosts"
    done
}

start_line() {
    local dir=$1
    mkdir -p "$dir/line"
    mkfifo "$dir/line.cmd"
    setsid "$BIN/ttylinesim" -d "$dir/line" <"$dir/line.cmd" >"$dir/line.out" 2>"$dir/line.err" &
    echo $! >"$dir/line.pid"
    # Holds the command fifo open: the simulator ends when its input does.
    setsid sleep 2147483647 >"$dir/line.cmd" 2>/dev/null &
    echo $! >"$dir/line-holder.pid"
    retry 10 grep -qx ready "$dir/line.out" || { echo "hv-pair: the line simulator did not start" >&2; return 1; }
}

line_command() {
    local dir=$1
    shift
    local before
    before=$(wc -l <"$dir/line.out")
    echo "$*" >"$dir/line.cmd"
    # When the command was handed to the simulator (it reads at once).
    echo "$EPOCHREALTIME" >"$dir/line.at"
    local end=$((SECONDS + 10))
    while [ "$(wc -l <"$dir/line.out")" -le "$before" ]; do
        [ $SECONDS -lt $end ] || { echo "hv-pair: no answer from the line simulator" >&2; return 1; }
        sleep 0.05
    done
    tail -n 1 "$dir/line.out"
}

# Defines both systems in the system's database (its own name first).
define_systems() {
    local dir=$1 s=$2 n list
    for n in "$(name_of "$s")" "$(name_of "$(other "$s")")"; do
        list=$(inside "$dir" "$s" hvconfig sys list)
        grep -qx "$n" <<<"$list" || inside "$dir" "$s" hvconfig sys create "$n"
    done
}

# The system's two paths, stored in its database and created through its
# administrator; the manager's database link creates them again whenever the
# manager starts.
create_paths() {
    local dir=$1 s=$2
    local peer
    peer=$(name_of "$(other "$s")")
    inside "$dir" "$s" hvconfig net create "$peer" "$TCP_DEVICE" TLI "$HB_INTERVAL" "$HB_MAXMISS" >/dev/null
    inside "$dir" "$s" hvconfig net create "$peer" "$dir/line/$s" TTY "$HB_INTERVAL" "$HB_MAXMISS" $BAUD >/dev/null
}

# The application, its type and the two hierarchies of the system's
# database, each top a depends on b depends on c: H1 with primary SYSA, H2
# with primary SYSB (init A on the primary, E on the secondary), every
# instance SHARED with its namesake on the other system; the action scripts
# of scripts/hv-action.sh.
define_hierarchies() {
    local dir=$1 s=$2 me root h x init
    me=$(name_of "$s")
    root=$dir/$s/root
    inside "$dir" "$s" hvconfig app create app1
    inside "$dir" "$s" hvconfig typ create app1 typ1
    mkdir -p "$root/subsys/app1/actions"
    for x in restore remove; do
        printf '#!/bin/sh\nexec /bin/bash %q %s %q %q "$@"\n' "$here/hv-action.sh" $x "$dir/shared" "$me" \
            >"$root/subsys/app1/actions/$x.ksh"
        chmod 755 "$root/subsys/app1/actions/$x.ksh"
    done
    for h in H1 H2; do
        init=E
        { [ $h = H1 ] && [ "$s" = a ]; } || { [ $h = H2 ] && [ "$s" = b ]; } && init=A
        for x in c b a; do inside "$dir" "$s" hvconfig ins create app1 typ1 "$h$x" "id-$h$x" $init; done
        inside "$dir" "$s" hvconfig dep create "${h}a" "${h}b"
        inside "$dir" "$s" hvconfig dep create "${h}b" "${h}c"
    done
}

# The SHARED equivalencies, made from SYSA (each also stores its partner on
# SYSB), then each hierarchy restored on its primary.
share_hierarchies() {
    local dir=$1 x
    for x in a b c; do
        inside "$dir" a hvconfig eqv create "$NAME_A" "H1$x" "$NAME_B" "H1$x" SHARED
        inside "$dir" a hvconfig eqv create "$NAME_B" "H2$x" "$NAME_A" "H2$x" SHARED
    done
    # The actions' reports go to the system's restore.log, shown on failure.
    inside "$dir" a hvconfig ins restore H1a >>"$dir/a/restore.log" 2>&1 || { cat "$dir/a/restore.log" >&2; return 1; }
    inside "$dir" b hvconfig ins restore H2a >>"$dir/b/restore.log" 2>&1 || { cat "$dir/b/restore.log" >&2; return 1; }
}

# How many watchers of the system said "watching" so far.
watchers() {
    local n
    n=$(grep -c '^watching$' "$1/watch.log" 2>/dev/null) || true
    echo "${n:-0}"
}
more_watchers() { [ "$(watchers "$1")" -gt "$2" ]; }

# Each line read, appended to the file $1, and with the time it came (seconds
# since the epoch) before it to the file $2.
stamp_lines() {
    local line
    while IFS= read -r line; do
        printf '%s\n' "$line" >>"$1"
        printf '%s %s\n' "$EPOCHREALTIME" "$line" >>"$2"
    done
}

# The path watcher of a system, its events appended to watch.log and, each
# with the time it was reported, to watch.times; a new watcher starts with
# its own "watching" line.
start_watch() {
    local dir=$1 s=$2
    local old
    old=$(cat "$dir/$s/watch.pid" 2>/dev/null || true)
    # Only a watcher is stopped: after a reboot the pid of the last life's
    # watcher names another process of the machine (its database daemon or
    # manager, started first).
    [ -z "$old" ] ||
        inside "$dir" "$s" sh -c 'tr "\0" " " <"/proc/$1/cmdline" | grep -q "hvpo .*watch" && kill "$1"' sh "$old" \
            2>/dev/null || true
    rm -f "$dir/$s/watch.pid"
    local n
    n=$(watchers "$dir/$s")
    bash "$here/hv-system.sh" exec "$dir/$s" sh -c 'echo $$ >"$1"; exec hvpo -w 30 watch' sh "$dir/$s/watch.pid" \
        2>>"$dir/$s/watch.err" </dev/null | stamp_lines "$dir/$s/watch.log" "$dir/$s/watch.times" &
    retry 30 more_watchers "$dir/$s" "$n" ||
        { echo "hv-pair: the path watcher of $(name_of "$s") did not start" >&2; return 1; }
}

# Boots the system's machine and waits for its manager.
boot() {
    local dir=$1 s=$2 ns
    [ "$s" = a ] && ns=$NS_A || ns=$NS_B
    HV_CRASH_AT=${CRASH_AT:-} HV_TEST_TIME_SCALE=$TIME_SCALE bash "$here/hv-system.sh" start "$dir/$s" "$(name_of "$s")" "$ns" "$BIN"
    # The database answers once the daemon and the manager run.
    retry 60 inside "$dir" "$s" hvpo -w 0 list ||
        { echo "hv-pair: the manager of $(name_of "$s") did not come up" >&2; return 1; }
}

up() {
    [ $# -eq 2 ] || usage
    local dir bin
    dir=$(realpath -m "$1")
    bin=$(cd "$2" && pwd)
    mkdir -p "$dir"
    [ -z "$(ls -A "$dir")" ] || { echo "hv-pair: $dir is not empty" >&2; exit 64; }
    local tag="hvp$$"
    cat >"$dir/pair.env" <<EOF
BIN=$bin
NAME_A=SYSA
NAME_B=SYSB
NS_A=${tag}a
NS_B=${tag}b
VETH_A=${tag}a0
VETH_B=${tag}b0
ADDR_A=10.234.0.1
ADDR_B=10.234.0.2
HB_INTERVAL=2
HB_MAXMISS=5
TIME_SCALE=${HV_TEST_TIME_SCALE:-}
CRASH_AT=${HV_CRASH_AT:-}
EOF
    load "$dir"
    # A failed start leaves nothing behind.
    trap 'rc=$?; [ $rc -eq 0 ] || [ $rc -eq 77 ] || { echo "hv-pair: up failed; taking the pair down" >&2; down "'"$dir"'"; }' EXIT
    make_namespaces "$dir"
    start_line "$dir"
    mkdir -p "$dir/shared"
    local s
    for s in a b; do boot "$dir" $s; done
    for s in a b; do
        define_systems "$dir" $s
        start_watch "$dir" $s
    done
    for s in a b; do create_paths "$dir" $s; done
    for s in a b; do define_hierarchies "$dir" $s; done
    share_hierarchies "$dir"
    echo "hv-pair: $NAME_A and $NAME_B up in $dir"
}

down() {
    [ $# -eq 1 ] || usage
    local dir
    dir=$(realpath -m "$1")
    load "$dir"
    local s pid
    for s in a b; do bash "$here/hv-system.sh" stop "$dir/$s" || true; done
    for pid in "$(cat "$dir/line-holder.pid" 2>/dev/null)" "$(cat "$dir/line.pid" 2>/dev/null)"; do
        [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    done
    if [ -f "$dir/netns.made" ]; then
        ip netns del "$NS_A" 2>/dev/null || true
        ip netns del "$NS_B" 2>/dev/null || true
        rm -rf "/etc/netns/$NS_A" "/etc/netns/$NS_B"
        rm -f "$dir/netns.made"
    fi
}

[ $# -ge 1 ] || usage
cmd=$1
shift
case $cmd in
up) up "$@" ;;
down) down "$@" ;;
start | paths | watch | sys)
    [ $# -eq 2 ] && { [ "$2" = a ] || [ "$2" = b ]; } || usage
    d=$(realpath -m "$1")
    load "$d"
    case $cmd in
    start)
        boot "$d" "$2"
        start_watch "$d" "$2"
        ;;
    paths) create_paths "$d" "$2" ;;
    watch) start_watch "$d" "$2" ;;
    sys) echo "$d/$2" ;;
    esac
    ;;
link)
    [ $# -eq 2 ] && { [ "$2" = up ] || [ "$2" = down ]; } || usage
    load "$1"
    ip -n "$NS_A" link set "$VETH_A" "$2"
    echo "$EPOCHREALTIME" >"$1/link.at"
    ;;
line)
    [ $# -ge 2 ] || usage
    d=$1
    shift
    load "$d"
    line_command "$d" "$@"
    ;;
*) usage ;;
esac
