#!/usr/bin/env bash
# The hierarchy audit of a pair made by scripts/hv-pair.sh (a minimal test
# harness), over the systems whose machines run:
# - each hierarchy (H1, H2) is ISP on exactly one system, all three of its
#   instances, and none of them ISP elsewhere; its owner lock is held and its
#   holder file names that system;
# - with both machines up and joined, each sees the other 'A', and each
#   system's copy of the other's instances equals the other's own states
#   once refreshed (waited for, 20 s at most);
# - the journal never shows a restore by one system while the other held the
#   hierarchy's lock (a holder's lock ends with its leaf's remove or its
#   "machine-death" line, written by the fault runner).
#
# usage: hv-audit-hier.sh [--apart] DIR
#   --apart  the systems cannot reach each other (a partition): the copies
#            are not compared
# Prints one line per finding and "hierarchies: ok" (exit 0) or
# "hierarchies: FAILED, N findings" (exit 1).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apart=0
if [ "${1-}" = --apart ]; then
    apart=1
    shift
fi
[ $# -eq 1 ] || { sed -n '/^# usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2; exit 64; }
dir=$(realpath -m "$1")
[ -f "$dir/pair.env" ] || { echo "hv-audit-hier: $dir holds no pair" >&2; exit 66; }
# shellcheck disable=SC1091
. "$dir/pair.env"

findings=0
finding() {
    echo "audit: $*"
    findings=$((findings + 1))
}
inside() {
    local s=$1
    shift
    bash "$here/hv-system.sh" exec "$dir/$s" "$@"
}
name_of() { [ "$1" = a ] && echo "$NAME_A" || echo "$NAME_B"; }

declare -A states
up=()
for s in a b; do
    bash "$here/hv-system.sh" up "$dir/$s" || continue
    up+=("$s")
    states[$s]=$(inside "$s" hvconfig ins state 2>&1)
done

for h in H1 H2; do
    owners=()
    for s in "${up[@]}"; do
        n=$(awk -v h="$h" 'substr($1, 1, length(h)) == h && $2 == "ISP"' <<<"${states[$s]}" | wc -l)
        if [ "$n" -eq 3 ]; then
            owners+=("$(name_of "$s")")
        elif [ "$n" -ne 0 ]; then
            finding "$h is partly ISP on $(name_of "$s"): $(grep "^$h" <<<"${states[$s]}" | tr '\n' ';')"
        fi
    done
    if [ ${#owners[@]} -ne 1 ]; then
        finding "$h is ISP on ${#owners[@]} systems (${owners[*]:-none})"
        continue
    fi
    lock=$dir/shared/lock.$h
    if flock -n "$lock" true 2>/dev/null; then
        finding "$h's owner lock is not held, though ${owners[0]} runs it"
    else
        holder=$(cut -d' ' -f1 "$lock.holder" 2>/dev/null)
        [ "$holder" = "${owners[0]}" ] || finding "$h's lock names ${holder:-nobody}, but ${owners[0]} runs it"
    fi
done

# The cached copies, and each system seeing the other alive ('A'), once
# both run and are joined.
if [ ${#up[@]} -eq 2 ] && [ $apart -eq 0 ]; then
    for s in a b; do
        o=$([ $s = a ] && echo b || echo a)
        seen=$(inside "$s" hvconfig sys state "$(name_of $o)" 2>&1 | awk '{ print $2 }')
        [ "$seen" = A ] || finding "$(name_of $s) sees $(name_of $o) as \"$seen\", not A"
        end=$((SECONDS + 20))
        while :; do
            copy=$(inside "$s" hvconfig -d "$(name_of $o)" ins state 2>&1)
            theirs=$(inside "$o" hvconfig ins state 2>&1)
            [ "$copy" != "$theirs" ] || break
            if [ $SECONDS -ge $end ]; then
                finding "$(name_of $s)'s copy of $(name_of $o) ($(tr '\n' ';' <<<"$copy")) differs from its own ($(tr '\n' ';' <<<"$theirs"))"
                break
            fi
            sleep 0.5
        done
    done
fi

# The journal: no restore while another system held the lock.
if [ -f "$dir/shared/journal" ]; then
    while read -r line; do finding "$line"; done < <(awk '
        $2 == "machine-death" { for (h in held) if (held[h] == $1) delete held[h]; next }
        $2 == "restore" || $2 == "remove" {
            h = substr($3, 1, length($3) - 1)
            if ($2 == "restore" && (h in held) && held[h] != $1)
                print "the journal shows " $1 " restoring " $3 " while " held[h] " held " h " (line " NR ")"
            if ($2 == "restore" && substr($3, length($3)) == "c") held[h] = $1
            if ($2 == "remove" && substr($3, length($3)) == "c" && held[h] == $1) delete held[h]
        }' "$dir/shared/journal")
fi

if [ $findings -eq 0 ]; then
    echo "hierarchies: ok"
    exit 0
fi
echo "hierarchies: FAILED, $findings findings"
exit 1
