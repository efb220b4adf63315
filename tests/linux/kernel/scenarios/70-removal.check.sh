check "removed mid-flash: exit 3" exit_code removed 3
check "removed mid-flash: no commit" lacks_command drives-removed.log '3b0501000000000000[8a]0'
check "removed mid-flash: the message says the drive is gone" grep -qiE "no such device|removed|gone|disappeared" "$R/removed.out" "$R/removed.err"
check "came back under a new node: the node is new" sh -c "! cmp -s '$R/nodes-before-return' '$R/nodes-after-return'"
check "came back under a new node after its commit: found again and verified (exit 0)" exit_code returned 0
check "came back under a new node: reported at its new revision" has returned.out "1.05"
