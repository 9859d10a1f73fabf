#!/bin/sh
# inh_failover.ksh: minimal stand-in for the switchover script the cluster
# service runs at system shutdown with the computer name. It only records its
# call (arguments, HVBIN, working directory and time) in
# <root>/tmp/standins.log, <root> being the parent of its bin directory, and
# exits 0.
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
mkdir -p "$root/tmp"
printf 'inh_failover.ksh args=[%s] HVBIN=[%s] cwd=[%s] time=[%s]\n' "$*" "${HVBIN-}" "$(pwd)" "$(date -u '+%Y-%m-%d %H:%M:%S')" \
  >> "$root/tmp/standins.log"
exit 0
