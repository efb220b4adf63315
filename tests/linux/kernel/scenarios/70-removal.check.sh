check "removed mid-flash: exit 3" exit_code removed 3
check "removed mid-flash: no commit" lacks_command drives-removed.log '3b0501000000000000[8a]0'
check "removed mid-flash: the message says the drive is gone" grep -qiE "no such device|removed|gone|disappeared" "$R/removed.out" "$R/removed.err"
moved() {  # the KTV-360R's sg node before and after
    local before after
    before=$(awk '{ print $1; exit }' "$R/nodes-before-return")
    after=$(cat "$R/returned-node")
    [ -n "$after" ] && [ "$after" != "$before" ] || { echo "before ${before:-none}, after ${after:-none}"; return 1; }
}
check "came back under a new node: the node is new" moved
check "came back under a new node after its commit: found again and verified (exit 0)" exit_code returned 0
check "came back under a new node: the drive did commit" has drives-returned.log "revision=1.05 commits=1"
check "came back under a new node: reported at its new revision" has returned.out "now VELMORA DVDRW KTV-360R 1.05"
