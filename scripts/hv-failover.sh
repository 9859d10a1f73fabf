# Faults 4 to 7 of the fault runner (scripts/hv-faults.sh sources this file
# after faults 1 to 3; it uses the runner's dir, row, audit, audited,
# wait_paths, poll_until, reported, first_after, span, miss, now, until_at and inside):
# machine deaths, a restart and a partition, each followed by the hierarchy
# audit (scripts/hv-audit-hier.sh). A minimal test harness.

# The path states reported to system s (KIND STATE lines), from its watcher.
survivor_paths() {
    awk '/^watching$/ { delete st; next } $1 == "PATH" { st[$4] = $7 }
         END { for (k in st) print k, st[k] }' "$dir/$1/watch.log" 2>/dev/null | sort | tr '\n' ' '
}
# Waits at most secs for command to succeed; 0 when it did.
wait_for() {
    local end
    end=$(until_at "$1")
    shift
    poll_until "$end" "$@"
}
# Whether the hierarchy h is ISP in all its instances on system s.
hier_isp() { [ "$(inside "$1" hvconfig ins state 2>/dev/null | awk -v h="$2" 'index($1, h) == 1 && $2 == "ISP"' | wc -l)" -eq 3 ]; }
hier_not_isp() { [ "$(inside "$1" hvconfig ins state 2>/dev/null | awk -v h="$2" 'index($1, h) == 1 && $2 == "ISP"' | wc -l)" -eq 0 ]; }
both_dead_on() { [ "$(survivor_paths "$1")" = "TLI DEAD TTY DEAD " ]; }
sys_state_on() { inside "$1" hvconfig sys state "$2" 2>/dev/null | awk '{ print $2 }' | grep -qx "$3"; }
hier_audit() { audited bash "$here/hv-audit-hier.sh" "$@" "$dir"; }
# The restores of hierarchy h by system name in the journal from line n on,
# as one line of tags.
restores_since() { tail -n +"$1" "$dir/shared/journal" | awk -v n="$2" -v h="$3" '$1 == n && $2 == "restore" && index($3, h) == 1 { printf "%s ", $3 }'; }
journal_lines() { wc -l <"$dir/shared/journal"; }
# When system name $1 journalled the restore of tag $2, at or after time $3.
restored() { first_after "$dir/shared/journal.times" "$3" '$2 == "'"$1"'" && $3 == "restore" && $4 == "'"$2"'"'; }
# System name $1 journalled a refused restore of hierarchy $2 from line $3 on.
refused_since() { tail -n +"$3" "$dir/shared/journal" | awk -v n="$1" -v h="$2" '$1 == n && $2 == "restore-refused" && index($3, h) == 1 { f = 1 } END { exit !f }'; }

# The machine death of system v (a or b): its line in the journal, the
# machine killed; sets t (the kill's time) and detected (the survivor's paths
# both DEAD and v's state D; the time until the survivor's watcher heard
# both paths DEAD).
machine_death() {
    local v=$1 s=$2 vn
    vn=$(name_of "$v")
    echo "$vn machine-death" >>"$dir/shared/journal"
    t=$(now)
    bash "$here/hv-system.sh" kill "$dir/$v"
    if wait_for "$DETECT_WITHIN" both_dead_on "$s" && sys_state_on "$s" "$vn" D; then
        detected="paths DEAD reported in $(span "$t" "$(reported "$s" TLI DEAD "$t")" "$(reported "$s" TTY DEAD "$t")") s, $vn D"
    else detected=$(miss "not detected in $DETECT_WITHIN s (paths: $(survivor_paths "$s"))"); fi
}
name_of() { [ "$1" = a ] && echo "$NAME_A" || echo "$NAME_B"; }

# Fault 4: machine death of SYSA; SYSB detects it and takes H1 over.
step "fault 4: machine death of $NAME_A"
j=$(($(journal_lines) + 1))
machine_death a b
if wait_for $((DETECT_WITHIN + 20)) hier_isp b H1; then
    recovered="H1 ISP on $NAME_B, restored in $(span "$t" "$(restored "$NAME_B" H1a "$t")") s"
else
    recovered=$(miss "H1 not ISP on $NAME_B")
fi
order=$(restores_since "$j" "$NAME_B" H1)
[ "$order" = "H1c H1b H1a " ] || recovered="$recovered; $(miss "restore order \"$order\", not leaves first")"
row "4 machine death of $NAME_A" "$detected" "$recovered" "audit $(hier_audit)"

# Fault 5: SYSA boots again and rejoins; SYSB keeps both hierarchies.
step "fault 5: $NAME_A started again"
t=$(now)
bash "$here/hv-pair.sh" start "$dir" a >/dev/null 2>&1
if wait_paths $RECOVER_WITHIN; then
    # SYSB's watcher ran throughout; SYSA's starts with the machine.
    detected="paths ALIVE reported in $(span "$t" "$(reported b TLI ALIVE "$t")" "$(reported b TTY ALIVE "$t")") s"
else detected=$(miss "paths not ALIVE in $RECOVER_WITHIN s"); fi
if hier_not_isp a H1 && hier_not_isp a H2 && hier_isp b H1 && hier_isp b H2; then recovered="$NAME_B keeps H1 and H2"; else
    recovered=$(miss "hierarchies moved: $NAME_A $(inside a hvconfig ins state | awk '{printf "%s=%s ", $1, $2}')")
fi
row "5 $NAME_A started again" "$detected" "$recovered" "audit $(audit) / $(hier_audit)"

# Fault 6: partition (veth down and the line paused); neither may take
# what the other holds; healed, both see each other again.
step "fault 6: partition"
j=$(($(journal_lines) + 1))
t=$(now)
bash "$here/hv-pair.sh" link "$dir" down
bash "$here/hv-pair.sh" line "$dir" pause ab >/dev/null && bash "$here/hv-pair.sh" line "$dir" pause ba >/dev/null
if wait_paths $DETECT_WITHIN TLI=DEAD TTY=DEAD; then
    detected="both DEAD on both, reported in $(span "$t" "$(reported a TLI DEAD "$t")" "$(reported a TTY DEAD "$t")" \
        "$(reported b TLI DEAD "$t")" "$(reported b TTY DEAD "$t")") s"
else detected=$(miss "not DEAD on both in $DETECT_WITHIN s"); fi
# A's recovery of both hierarchies runs into B's locks: awaited in the
# journal (a figure: the audit below is the verdict).
wait_for 60 refused_since "$NAME_A" H1 "$j" && wait_for 30 refused_since "$NAME_A" H2 "$j"
if hier_not_isp a H1 && hier_not_isp a H2; then
    refused=$(tail -n +"$j" "$dir/shared/journal" | grep -c "^$NAME_A restore-refused") || true
    detected="$detected; $NAME_A refused $refused times"
else detected="$detected; $(miss "$NAME_A took a hierarchy during the partition")"; fi
a1=$(hier_audit --apart)
t=$(now)
bash "$here/hv-pair.sh" link "$dir" up
bash "$here/hv-pair.sh" line "$dir" resume ab >/dev/null && bash "$here/hv-pair.sh" line "$dir" resume ba >/dev/null
if wait_paths $RECOVER_WITHIN; then
    recovered="healed: ALIVE reported in $(span "$t" "$(reported a TLI ALIVE "$t")" "$(reported a TTY ALIVE "$t")" \
        "$(reported b TLI ALIVE "$t")" "$(reported b TTY ALIVE "$t")") s"
else recovered=$(miss "not ALIVE in $RECOVER_WITHIN s"); fi
row "6 partition, healed" "$detected" "$recovered" "audit $a1 / $(audit) / $(hier_audit)"

# Fault 7: machine death of SYSB; SYSA takes H2 (its secondary) and H1
# (its primary, which SYSB ran since fault 4).
step "fault 7: machine death of $NAME_B"
machine_death b a
if wait_for $((DETECT_WITHIN + 20)) hier_isp a H1 && wait_for 20 hier_isp a H2; then
    recovered="H1 and H2 ISP on $NAME_A, restored in $(span "$t" "$(restored "$NAME_A" H1a "$t")" "$(restored "$NAME_A" H2a "$t")") s"
else recovered=$(miss "not both ISP on $NAME_A: $(inside a hvconfig ins state | awk '{printf "%s=%s ", $1, $2}')"); fi
row "7 machine death of $NAME_B" "$detected" "$recovered" "audit $(hier_audit)"
