#!/usr/bin/env bash
# Minimal stand-ins of the administration scripts under <root>/admin/bin
# (Create, Delete, Remove, Restore, Transfer and KitList), for the consoles'
# tests. Each named script runs this one with its own path first.
#
# Create, Delete, Remove, Restore and Transfer append "$0 $*" to
# <root>/tmp/admin.journal. Called with a tag (third argument, not a
# .Pre/.Post marker) they do the real work, so that states change:
#   Restore and Create  hvconfig -d FIRST ins restore TAG
#   Remove              hvconfig -d FIRST ins remove TAG
#   Delete              hvconfig -d S ins delete for TAG and every instance
#                       below it (top-down), on both its systems
# (FIRST and S: their first and second arguments). Their exit status is the
# work's, or the number in <root>/tmp/admin.rc.<name> when that file exists.
# KitList prints "kit:label" for each <root>/admin/kit/<kit>/<kit>.so, the
# label being the first line of <kit>.inf there, else the kit's name.
set -u
self=$1
shift
name=${self##*/}
root=$(cd "$(dirname "$self")/../.." && pwd)

if [ "$name" = KitList ]; then
    for so in "$root"/admin/kit/*/*.so; do
        [ -f "$so" ] || continue
        kit=${so%/*}
        kit=${kit##*/}
        [ "${so##*/}" = "$kit.so" ] || continue
        label=$kit
        if [ -f "$root/admin/kit/$kit/$kit.inf" ]; then
            IFS= read -r first <"$root/admin/kit/$kit/$kit.inf" || true
            [ -n "${first:-}" ] && label=$first
        fi
        printf '%s:%s\n' "$kit" "$label"
    done
    exit 0
fi

mkdir -p "$root/tmp"
printf '%s %s\n' "$self" "$*" >>"$root/tmp/admin.journal"

hvconfig=$root/bin/hvconfig
[ -x "$hvconfig" ] || hvconfig=hvconfig
rc=0
if [ $# -ge 3 ] && [ -n "$3" ] && [ "${3:0:1}" != . ]; then
    case $name in
    Restore | Create) "$hvconfig" -d "$1" ins restore "$3" || rc=$? ;;
    Remove) "$hvconfig" -d "$1" ins remove "$3" || rc=$? ;;
    Delete)
        # The hierarchy's instances as listed, top-down (a parent goes
        # before the child it depends on), in each system's database.
        mapfile -t tags < <("$hvconfig" -d "$1" ins state "$3" | cut -d' ' -f1)
        [ ${#tags[@]} -gt 0 ] || tags=("$3")
        systems=("$1")
        [ "$2" = "$1" ] || systems+=("$2")
        for s in "${systems[@]}"; do
            for tag in "${tags[@]}"; do "$hvconfig" -d "$s" ins delete "$tag" || rc=$?; done
        done
        ;;
    esac
fi

control=$root/tmp/admin.rc.$name
if [ -f "$control" ]; then
    IFS= read -r want <"$control" || true
    if [[ ${want:-} =~ ^[0-9]{1,3}$ ]] && [ "$want" -le 255 ]; then rc=$want; fi
fi
exit "$rc"
