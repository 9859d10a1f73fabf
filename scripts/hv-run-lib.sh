# What the pair's fault runners share (scripts/hv-faults.sh,
# scripts/hv-faults-late.sh, scripts/hv-coldstart.sh): their command line,
# the pair taken down on every way out, bounded waits, audits and the report.
# Sourced; the runner sets RUN_NAME (its name in messages) and RUN_TMP (the
# prefix of a fresh directory) and BUDGET (seconds the whole run may take),
# then calls run_start "$@".

# usage from the runner's own header; bin, dir and fresh from its arguments.
run_start() {
    [ $# -ge 1 ] && [ $# -le 2 ] || { sed -n '/^# usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2; exit 64; }
    bin=$(cd "$1" && pwd) || exit 64
    if [ $# -eq 2 ]; then
        dir=$(realpath -m "$2")
        fresh=0
    else
        dir=$(mktemp -d "/tmp/$RUN_TMP.XXXXXX")/p
        fresh=1
    fi
    failures=0
    report=()
    trap run_finish EXIT
    trap 'exit 143' TERM INT
}

# The pair goes down on every way out; its logs stay unless all passed.
# HV_KEEP=1 leaves the pair running.
run_finish() {
    local rc=$?
    if [ "${HV_KEEP:-0}" = 1 ]; then
        echo "$RUN_NAME: the pair stays up in $dir (take it down with scripts/hv-pair.sh down $dir)"
        return
    fi
    [ -f "$dir/pair.env" ] && bash "$here/hv-pair.sh" down "$dir" >/dev/null 2>&1
    if { [ $rc -eq 0 ] || [ $rc -eq 77 ]; } && [ "$fresh" -eq 1 ]; then
        rm -rf "$(dirname "$dir")"
    elif [ $rc -ne 77 ]; then
        echo "$RUN_NAME: logs kept in $dir"
    fi
}

# The end of a wait of secs seconds, within the budget.
until_at() {
    local end=$((SECONDS + $1))
    [ $end -le "$BUDGET" ] || end=$BUDGET
    echo $end
}

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# Runs command (its output thrown away) until it succeeds or the clock
# ($SECONDS) reaches end; 0 when it succeeded. The pause between tries starts
# at 0.2 s and doubles up to 3.2 s: an audit starts processes on both
# machines, and a slow one is not run back to back.
poll_until() {
    local end=$1 pause=0.2
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt "$end" ] || return 1
        sleep "$pause"
        pause=$(awk -v p="$pause" 'BEGIN { print (p * 2 > 3.2 ? 3.2 : p * 2) }')
    done
}

# Waits at most secs for command to succeed; 0 when it did.
wait_for() {
    local end
    end=$(until_at "$1")
    shift
    poll_until "$end" "$@"
}

# Waits at most secs seconds for the paths to be in the given states on both
# systems; 0 when they were.
wait_paths() {
    local secs=$1
    shift
    wait_for "$secs" bash "$here/hv-audit.sh" --paths "$dir" "$@"
}

# How long an audit is retried (with the growing pause) before its findings
# stand: a process the monitor has just started, or a copy being loaded
# again, settles within it.
readonly AUDIT_WITHIN=30

# Runs an audit command until it passes or AUDIT_WITHIN is over: "ok", or
# "FAILED" with the last findings on the error stream.
audited() {
    local out
    if poll_until "$(until_at $AUDIT_WITHIN)" "$@"; then
        echo ok
    else
        out=$("$@" 2>&1)
        echo "$out" | sed 's/^/    /' >&2
        echo FAILED
    fi
}
audit() { audited bash "$here/hv-audit.sh" "$dir" "$@"; }
hier_audit() { audited bash "$here/hv-audit-hier.sh" "$@" "$dir"; }

# One line of the report, its columns joined by " | ".
row() {
    local line=$1
    shift
    for c in "$@"; do line="$line | $c"; done
    report+=("$line")
}
# A finding of a step, as the report shows it (run_report counts the
# report's FAILED words: this runs in a command substitution).
miss() { echo "FAILED: $1"; }
step() { echo "== $*"; }

# Prints the report under its heading and ends the run: 0 when nothing in it
# FAILED. what names the run in the closing line.
run_report() {
    local heading=$1 what=$2
    echo
    echo "$heading"
    printf '%s\n' "${report[@]}"
    failures=$((failures + $(printf '%s\n' "${report[@]}" | grep -o 'FAILED' | wc -l)))
    if [ $failures -eq 0 ]; then
        echo "$what: all passed"
        exit 0
    fi
    echo "$what: FAILED, $failures failures"
    exit 1
}

# A command run inside system s of the pair; one that hangs (a daemon that
# no longer answers) ends after 120 s, so the run reports it instead of
# waiting for ever.
inside() {
    local s=$1
    shift
    timeout -k 5 120 bash "$here/hv-system.sh" exec "$dir/$s" "$@"
}
# Whether the hierarchy h is ISP in all its instances on system s.
hier_isp() { [ "$(inside "$1" hvconfig ins state 2>/dev/null | awk -v h="$2" 'index($1, h) == 1 && $2 == "ISP"' | wc -l)" -eq 3 ]; }
# Whether system s's database holds system n in state st.
sys_state_on() { inside "$1" hvconfig sys state "$2" 2>/dev/null | awk '{ print $2 }' | grep -qx "$3"; }
