#!/bin/bash
# Installs the dbguard recovery kit under <root>/admin/kit/dbguard: the
# library dbguard.so, its ".inf" (whose first line, "SQL Server", is the
# label KitList shows), and in bin/ the stand-ins for the database server's
# scripts (sqlconfg, getsqldb, aacreate, ascreate), with <root>/bin/getrootdir.
# With --test-admin, for a root without administration scripts, the kit's
# stand-in also serves as Create and Delete (journalled with the others) and
# KitList is the project's administration stand-in.
# usage: scripts/install-dbguard.sh [--test-admin] <root> <directory of dbguard.so>
set -euo pipefail
admin=0
if [ "${1:-}" = "--test-admin" ]; then
    admin=1
    shift
fi
if [ $# -ne 2 ]; then
    echo "usage: $0 [--test-admin] <root> <directory of dbguard.so>" >&2
    exit 1
fi
root=$1
built=$(cd "$2" && pwd)
[ -f "$built/dbguard.so" ] || { echo "install-dbguard: $built/dbguard.so is missing" >&2; exit 1; }
standin=$(cd "$(dirname "$0")/../tools/standins/dbguard" && pwd)/standin.sh
kit=$root/admin/kit/dbguard
mkdir -p "$kit/bin" "$kit/standin" "$root/bin"
install -m 0755 "$built/dbguard.so" "$kit/dbguard.so"
echo "SQL Server" > "$kit/dbguard.inf"
for s in sqlconfg getsqldb aacreate ascreate; do
    ln -sfn "$standin" "$kit/bin/$s"
done
ln -sfn "$standin" "$root/bin/getrootdir"
if [ $admin -eq 1 ]; then
    mkdir -p "$root/admin/bin"
    for s in Create Delete; do
        [ -e "$root/admin/bin/$s" ] || ln -sfn "$standin" "$root/admin/bin/$s"
    done
    admin_standins=$(cd "$(dirname "$0")/admin" && pwd)
    [ -e "$root/admin/bin/KitList" ] || ln -sfn "$admin_standins/KitList" "$root/admin/bin/KitList"
fi
