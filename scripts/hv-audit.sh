#!/usr/bin/env bash
# The audit of a pair made by scripts/hv-pair.sh (a minimal test harness),
# for what the systems have so far:
# - each machine runs, and its monitor keeps each of its four programs (qdb,
#   mxrcfgstore, sockagent, ttyagent) in state Monitoring with a live pid,
#   one process of each;
# - each system's paths are in the expected states, as its path table records
#   the administrator's notices (--events: as its path watcher printed them);
# - each system's database defines both systems, and its cached copy of the
#   other system's database holds the same systems table as the other's own.
#
# usage: hv-audit.sh [--paths] [--events] DIR [KIND=STATE ...]
#   KIND=STATE (TLI=ALIVE, TTY=DEAD, ...) is expected on both systems; without
#   any, both paths are expected ALIVE. Prints one line per finding and
#   "audit: ok" (exit 0) or "audit: FAILED, N findings" (exit 1). --paths
#   checks only the paths, silently (for a wait); --events reads the paths'
#   states from the path watchers' events instead of the path tables.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

pathsOnly=0 events=0
while [ $# -gt 0 ]; do
    case $1 in
    --paths) pathsOnly=1 ;;
    --events) events=1 ;;
    *) break ;;
    esac
    shift
done
[ $# -ge 1 ] || { sed -n '/^# usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2; exit 64; }
dir=$(realpath -m "$1")
shift
[ -f "$dir/pair.env" ] || { echo "hv-audit: $dir holds no pair" >&2; exit 66; }
# shellcheck disable=SC1091
. "$dir/pair.env"
declare -A expect=([TLI]=ALIVE [TTY]=ALIVE)
for e in "$@"; do
    case $e in
    TLI=ALIVE | TLI=DEAD | TTY=ALIVE | TTY=DEAD) expect[${e%%=*}]=${e#*=} ;;
    *) echo "hv-audit: expected KIND=STATE (TLI or TTY, ALIVE or DEAD), not \"$e\"" >&2; exit 64 ;;
    esac
done

findings=0
finding() {
    [ $pathsOnly -eq 1 ] || echo "audit $1: $2"
    findings=$((findings + 1))
}

inside() {
    local s=$1
    shift
    bash "$here/hv-system.sh" exec "$dir/$s" "$@"
}

# The state of every path kind as the system's database records it: the
# manager's database link writes each of the administrator's path notices
# into the path table ("KIND STATE" lines).
path_states() {
    inside "$1" hvconfig net list 2>/dev/null | awk '{ print $3, $7 }'
}

# The same from the events its path watcher printed since it last started.
watched_states() {
    awk '/^watching$/ { delete st; next }
         $1 == "PATH" { st[$4] = $7 }
         END { for (k in st) print k, st[k] }' "$1/watch.log" 2>/dev/null
}

audit_system() {
    local s=$1 name=$2
    if ! bash "$here/hv-system.sh" up "$dir/$s"; then
        finding "$name" "the machine is not running"
        return
    fi
    [ $pathsOnly -eq 1 ] || audit_processes "$s" "$name"
    # Paths.
    local states kind got
    if [ $events -eq 1 ]; then states=$(watched_states "$dir/$s"); else states=$(path_states "$s"); fi
    for kind in TLI TTY; do
        got=$(awk -v k="$kind" '$1 == k { print $2 }' <<<"$states")
        [ "${got:-NONE}" = "${expect[$kind]}" ] ||
            finding "$name" "the $kind path is ${got:-not reported}, expected ${expect[$kind]}"
    done
    [ $pathsOnly -eq 1 ] || audit_tables "$s" "$name"
}

# Processes under the monitor.
audit_processes() {
    local s=$1 name=$2
    local status
    status=$(inside "$s" hvi_status 2>&1)
    local p line pid state
    for p in qdb mxrcfgstore sockagent ttyagent; do
        line=$(awk -v p="/bin/$p" -F' *: ' '
            /^Process Name/ { name = $2; sub(/ .*/, "", name) }
            /^Pid/ { pid = $2 }
            /^Status/ { n = length(name) - length(p); if (n >= 0 && substr(name, n + 1) == p) print pid, $2 }' <<<"$status")
        if [ -z "$line" ]; then
            finding "$name" "$p is not registered with the monitor"
            continue
        fi
        if [ "$(wc -l <<<"$line")" -ne 1 ]; then
            finding "$name" "$p has more than one slot: $(tr '\n' ';' <<<"$line")"
            continue
        fi
        pid=${line%% *} state=${line#* }
        [ "$state" = Monitoring ] || finding "$name" "$p is in state \"$state\", not Monitoring"
        if ! [ "$pid" -gt 1 ] 2>/dev/null || ! inside "$s" kill -0 "$pid" 2>/dev/null; then
            finding "$name" "$p's pid $pid is not running"
        fi
        local seek
        seek=$(inside "$s" procseek "$p" 2>/dev/null)
        [ "$seek" = "$pid" ] || finding "$name" "procseek finds $p as ${seek:-nothing}, the monitor as $pid"
    done
}

# The systems table.
audit_tables() {
    local s=$1 name=$2
    local list n
    list=$(inside "$s" hvconfig sys list 2>&1)
    for n in "$NAME_A" "$NAME_B"; do
        grep -qx "$n" <<<"$list" || finding "$name" "the database does not define $n"
    done
    # Its cached copy of the other system's database holds the other's own
    # systems table.
    local o other theirs copy
    o=$([ "$s" = a ] && echo b || echo a)
    other=$([ "$s" = a ] && echo "$NAME_B" || echo "$NAME_A")
    theirs=$(inside "$o" hvconfig sys list 2>&1)
    copy=$(inside "$s" hvconfig -d "$other" sys list 2>&1)
    [ "$copy" = "$theirs" ] ||
        finding "$name" "its copy of $other's systems table ($(tr '\n' ' ' <<<"$copy")) differs from $other's own ($(tr '\n' ' ' <<<"$theirs"))"
}

audit_system a "$NAME_A"
audit_system b "$NAME_B"
if [ $pathsOnly -eq 1 ]; then
    [ $findings -eq 0 ]
    exit
fi
if [ $findings -eq 0 ]; then
    echo "audit: ok"
    exit 0
fi
echo "audit: FAILED, $findings findings"
exit 1
