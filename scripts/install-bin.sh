#!/bin/bash
# Installs the outside programs the database library starts under <root>/bin:
# sh.exe and rm are the system's /bin/sh and /bin/rm; nohup.exe, sendevent,
# qdbdorem, qdbrecover, qdb and mxrcfgstore are our minimal stand-ins from the build;
# hvsvc and hvsvcctl the cluster service and its control command, and
# hvstart.exe and hvstop.exe the stand-ins that start and stop it through hvsvcctl;
# hierman, hwman and appstat the hierarchy, hardware and application status
# consoles and eventvwr the event viewer stand-in, where they were built; the
# dbguard kit under admin/kit/dbguard (scripts/install-dbguard.sh), where it
# was built; hvconfig the configuration tool; under <root>/admin/bin the
# administration scripts' minimal stand-ins of scripts/admin (Create, Delete,
# Remove, Restore, Transfer, KitList).
# usage: scripts/install-bin.sh <root> <directory of the built programs>
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 <root> <directory of the built programs>" >&2
    exit 1
fi
root=$1
built=$(cd "$2" && pwd)
mkdir -p "$root/bin"
ln -sfn /bin/sh "$root/bin/sh.exe"
ln -sfn /bin/rm "$root/bin/rm"
ln -sfn "$built/hvnohup" "$root/bin/nohup.exe"
for p in sendevent qdbdorem qdbrecover qdb mxrcfgstore hvsvc hvsvcctl hvconfig; do
    ln -sfn "$built/$p" "$root/bin/$p"
done
standins=$(cd "$(dirname "$0")/../tools/standins" && pwd)
for p in hierman hwman appstat eventvwr; do
    if [ -x "$built/$p" ]; then
        ln -sfn "$built/$p" "$root/bin/$p"
    fi
done
# The database-server recovery kit, where it was built (beside the programs' bin/).
if [ -f "$built/../kits/dbguard/dbguard.so" ]; then
    bash "$(dirname "$0")/install-dbguard.sh" "$root" "$built/../kits/dbguard"
fi
for p in hvstart.exe hvstop.exe; do
    ln -sfn "$standins/$p" "$root/bin/$p"
done
admin=$(cd "$(dirname "$0")/admin" && pwd)
mkdir -p "$root/admin/bin"
for p in Create Delete Remove Restore Transfer KitList; do
    ln -sfn "$admin/$p" "$root/admin/bin/$p"
done
