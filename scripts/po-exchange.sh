#!/usr/bin/env bash
# Starts a communication manager (hvmanager) on a fresh system directory,
# lets two command-line clients (hvpo) exchange a message through a mailbox,
# and stops the manager again. Every wait is bounded; the manager and the
# system directory are gone when the script ends, whatever happened.
#
# Usage: po-exchange.sh <directory that holds hvmanager and hvpo>
# Exit status 0 when the message arrived unchanged and the manager stopped
# cleanly.
set -euo pipefail
bin="${1:?usage: po-exchange.sh <directory that holds hvmanager and hvpo>}"
sysdir=$(mktemp -d /tmp/hvpo.XXXXXX)
export HV_SYSTEM_DIR="$sysdir"
export MXRHOSTNAME="${MXRHOSTNAME:-DEMOHOST}"
mkdir -p "$sysdir/log"
mgrlog="$sysdir/log/hvmanager.out"
manager_pid=""
receiver_pid=""

cleanup() {
  if [ -n "$receiver_pid" ]; then kill "$receiver_pid" 2>/dev/null || true; fi
  if [ -n "$manager_pid" ] && kill -0 "$manager_pid" 2>/dev/null; then
    kill -TERM "$manager_pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$manager_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$manager_pid" 2>/dev/null || true
  fi
  rm -rf "$sysdir"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  [ -f "$mgrlog" ] && sed 's/^/  manager: /' "$mgrlog" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

hvpo() { "$bin/hvpo" -w 5 "$@"; }

echo "system directory $HV_SYSTEM_DIR, host $MXRHOSTNAME"
"$bin/hvmanager" >"$mgrlog" 2>&1 &
manager_pid=$!
wait_for 100 grep -q listening "$mgrlog" || fail "the manager did not start listening within 10 s"
sed 's/^/  /' "$mgrlog"

hvpo create inbox || fail "create inbox"
echo "client 1: waiting for a message in mailbox inbox"
"$bin/hvpo" -w 5 receive inbox >"$sysdir/received" &
receiver_pid=$!
# The receive waits in the post office once the listing shows it.
wait_for 100 sh -c "'$bin/hvpo' list | grep -q 'inbox: 0 msg(s), 1 req(s)'" ||
  fail "client 1's receive did not reach the post office within 10 s"

text="hello from client 2 at $(date +%T)"
echo "client 2: sending \"$text\""
hvpo send inbox "$text" || fail "send"
wait_for 100 sh -c "! kill -0 $receiver_pid 2>/dev/null" || fail "client 1 was not released within 10 s"
rc=0
wait "$receiver_pid" || rc=$?
receiver_pid=""
[ "$rc" -eq 0 ] || fail "client 1's receive ended with status $rc"
got=$(cat "$sysdir/received")
echo "client 1: received \"$got\""
[ "$got" = "$text" ] || fail "client 1 received \"$got\", not \"$text\""
hvpo empty inbox || fail "inbox is not empty after the exchange"
hvpo remove inbox || fail "remove inbox"

echo "stopping the manager"
kill -TERM "$manager_pid"
wait_for 100 sh -c "! kill -0 $manager_pid 2>/dev/null" || fail "the manager did not stop within 10 s"
rc=0
wait "$manager_pid" || rc=$?
manager_pid=""
[ "$rc" -eq 0 ] || fail "the manager ended with status $rc"
tail -n 1 "$mgrlog" | sed 's/^/  /'
echo "exchange through the post office: OK"
