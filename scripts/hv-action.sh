#!/usr/bin/env bash
# The action scripts of the pair's hierarchies (scripts/hv-pair.sh installs
# them as <root>/subsys/<app>/actions/restore.ksh and remove.ksh): a minimal
# test harness. Each call appends "<system> <action> <tag>" to the journal of
# the shared directory (and the same line after its time to journal.times).
# - restore takes the hierarchy's owner lock, SHARED/lock.<hierarchy>: an
#   flock held by a small keeper process of this system (it dies with its
#   machine, and the lock with it); SHARED/lock.<hierarchy>.holder names the
#   holding system. It fails, journalling "<system> restore-refused <tag>
#   <holder>", while another system holds the lock.
# - remove of the hierarchy's leaf (the tag ending in "c") ends this
#   system's keeper, which releases the lock.
# - remove fails, journalling "<system> remove-failed <tag>", while the file
#   SHARED/fail.remove.<system> exists (a fault the harness injects).
# A hierarchy is the tag without its last letter (H1a, H1b, H1c: H1).
#
# usage: hv-action.sh restore|remove SHARED SYSTEM [-t TAG] [ARGS...]
set -uo pipefail
[ $# -ge 3 ] || { echo "usage: hv-action.sh restore|remove SHARED SYSTEM ARGS" >&2; exit 64; }
action=$1 shared=$2 me=$3
shift 3
tag='' prev=''
for a in "$@"; do
    [ "$prev" = -t ] && tag=$a
    prev=$a
done
case $tag in
'' | *[!A-Za-z0-9]*) echo "hv-action: no usable tag in: $*" >&2; exit 64 ;;
esac
hier=${tag%?}
lock=$shared/lock.$hier
# This system's keeper of the lock (a pid of its own PID namespace).
mine=${TEST_ROOT:-/tmp}/tmp/lock.$hier.keeper

# Each line also goes, after the time it was written, to journal.times.
journal() {
    echo "$me $*" >>"$shared/journal"
    echo "$EPOCHREALTIME $me $*" >>"$shared/journal.times"
}

holder() { cat "$lock.holder" 2>/dev/null || echo none; }

# This system's keeper is alive and still holds the lock. Its file names its
# pid and the nonce it wrote into the holder file: after a machine's death and
# restart the old pid can name another process of the new PID namespace, and
# only a keeper whose nonce is still in the holder file holds the lock.
keeper_alive() {
    local p n
    read -r p n 2>/dev/null <"$mine" || return 1
    [ -n "$p" ] && [ -n "$n" ] && kill -0 "$p" 2>/dev/null && [ "$(holder)" = "$me $n" ] &&
        grep -q '^sleep' "/proc/$p/cmdline" 2>/dev/null
}

restore() {
    if keeper_alive; then
        journal restore "$tag"
        return 0
    fi
    local nonce="$$.$(date +%s%N)" kp
    # The keeper: flock takes the lock or gives up at once (75); once it
    # holds it, its child names this system and sleeps until killed.
    setsid flock -n -E 75 "$lock" sh -c 'echo "$1 $2" >"$3.holder"; echo "$$ $2" >"$4"; exec sleep 2147483647' \
        sh "$me" "$nonce" "$lock" "$mine.new" </dev/null >/dev/null 2>&1 &
    kp=$!
    local i
    for i in $(seq 100); do
        if [ "$(cat "$lock.holder" 2>/dev/null)" = "$me $nonce" ] && [ -s "$mine.new" ]; then
            mv "$mine.new" "$mine"
            journal restore "$tag"
            return 0
        fi
        if ! kill -0 "$kp" 2>/dev/null; then
            journal restore-refused "$tag" "$(holder | cut -d' ' -f1)"
            return 1
        fi
        sleep 0.05
    done
    kill "$kp" 2>/dev/null
    journal restore-refused "$tag" timeout
    return 1
}

remove() {
    if [ -e "$shared/fail.remove.$me" ]; then
        journal remove-failed "$tag"
        return 1
    fi
    journal remove "$tag"
    case $tag in
    *c)
        local p n
        read -r p n 2>/dev/null <"$mine" || return 0
        [ -n "$p" ] && [ "$(holder)" = "$me $n" ] && kill "$p" 2>/dev/null
        rm -f "$mine"
        ;;
    esac
    return 0
}

case $action in
restore) restore ;;
remove) remove ;;
*) echo "hv-action: unknown action \"$action\"" >&2; exit 64 ;;
esac
