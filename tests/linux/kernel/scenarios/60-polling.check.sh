# The media polling's commands: GET EVENT STATUS NOTIFICATION (4A) and TEST UNIT READY.
polled_before() {
    local n
    n=$(awk '/^take .*cdb=1b/ { exit } /^take .*cdb=4a/ { n++ } END { print n+0 }' "$R/drives.log")
    [ "$n" -ge 3 ] || { echo "only $n polls before the flash: the polling did not run"; return 1; }
}
# From the STOP to the program's last command, the INQUIRY after the commit.
quiet_during() {
    local polls
    polls=$(awk '/^take .*cdb=1b/ { on = 1 } /^take .*cdb=3b0501000000000000[8a]0/ { committed = 1 }
                 on && /^take .*cdb=(4a|25|43|46|1a|1e|51)/ { print }
                 committed && /^take .*cdb=12/ { exit }' "$R/drives.log")
    [ -z "$polls" ] || { echo "polled during the flash: $(echo "$polls" | head -3)"; return 1; }
}
polled_after() {
    awk '/^exec .*cdb=3b0501000000000000[8a]0/ { on = 1 } on && /^take .*cdb=4a/ { found = 1 } END { exit !found }' \
        "$R/drives.log" || { echo "no poll after the flash: the block node was not let go"; return 1; }
}
check "the kernel polls the idle drive" polled_before
check "the flash exits 0" exit_code polled 0
check "no media poll reached the drive from the STOP to the end of the flash" quiet_during
check "the polling resumes after the flash" polled_after
