#!/bin/sh
# Minimal stand-in for the database server's scripts that the dbguard kit
# runs (sqlconfg, getsqldb, aacreate, ascreate, getrootdir) and, in tests,
# the administration scripts Create and Delete. It does nothing to any
# server: it is installed under each of those names, appends one line to the
# journal and answers from control files, all in the control directory
# <root>/admin/kit/dbguard/standin (or $DBGUARD_STANDIN_DIR):
#   journal       one line per run: the name, each argument in [], then
#                 "password=match|differ|unset" (the value never) and
#                 "cmdline=clean|holds-password" for the run's own command line
#   <name>.out    printed as the run's output (nothing when absent)
#   <name>.rc     the run's exit code (0 when absent)
#   password      the password DBGUARD_PASSWORD is compared with
name=$(basename "$0")
here=$(cd "$(dirname "$0")" && pwd)
case "$here" in
*/admin/kit/dbguard/bin) root=${here%/admin/kit/dbguard/bin} ;;
*/admin/bin) root=${here%/admin/bin} ;;
*/bin) root=${here%/bin} ;;
*) root=$here ;;
esac
control=${DBGUARD_STANDIN_DIR:-$root/admin/kit/dbguard/standin}
mkdir -p "$control" || exit 90

line=$name
for arg in "$@"; do line="$line [$arg]"; done
if [ -z "${DBGUARD_PASSWORD+set}" ]; then
    pw=unset
elif [ -f "$control/password" ] && [ "$DBGUARD_PASSWORD" = "$(cat "$control/password")" ]; then
    pw=match
else
    pw=differ
fi
# Whether the password shows in this run's command line, as any user would
# read it in /proc (compared in the shell, so no other program sees it).
cmdline=clean
if [ -n "${DBGUARD_PASSWORD:-}" ] && [ -r /proc/$$/cmdline ]; then
    seen=$(tr '\0' ' ' < /proc/$$/cmdline)
    case "$seen" in *"$DBGUARD_PASSWORD"*) cmdline=holds-password ;; esac
fi
printf '%s password=%s cmdline=%s\n' "$line" "$pw" "$cmdline" >> "$control/journal"

[ -f "$control/$name.out" ] && cat "$control/$name.out"
rc=0
[ -f "$control/$name.rc" ] && rc=$(cat "$control/$name.rc")
exit "$rc"
