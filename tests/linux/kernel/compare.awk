# awk -v run=NAME -f compare.awk PRELOAD_LOG KERNEL_LOG: see compare.sh.
# Compares the kernel tier's commands between "run NAME begin" and "run NAME
# end" with the preload tier's; prints the kernel's own commands by name and
# place, and every fault; exits 1 on a fault.

# The kernel's scsi_command_size: the block length of an opcode's group.
function group_length(op) { return op < 32 ? 6 : op < 96 ? 10 : op < 128 ? 12 : op < 160 ? 16 : op < 192 ? 12 : 10 }
function hexbyte(s) { return (index("0123456789abcdef", substr(s, 1, 1)) - 1) * 16 + index("0123456789abcdef", substr(s, 2, 1)) - 1 }
function field(line, key,    n, parts, i) {
    n = split(line, parts, " ")
    for (i = 1; i <= n; i++) if (index(parts[i], key "=") == 1) return substr(parts[i], length(key) + 2)
    return ""
}
# A command as both tiers can see it: the block at the kernel's length,
# direction, length, status, sense.
function key(line, cut,    cdb, len) {
    cdb = field(line, "cdb")
    if (cut) {
        len = group_length(hexbyte(cdb))
        if (substr(cdb, len * 2 + 1) !~ /^0*$/) notes["bytes past " len " of " substr(cdb, 1, 2) "h, which the drive never sees, are not zero: " cdb] = 1
        cdb = substr(cdb, 1, len * 2)
    }
    return cdb " " field(line, "dir") " " field(line, "len") " " field(line, "status") " " field(line, "sense")
}
BEGIN {
    own["00"] = "TEST UNIT READY"; own["12"] = "INQUIRY"; own["1a"] = "MODE SENSE(6)"
    own["1e"] = "PREVENT ALLOW MEDIUM REMOVAL"; own["25"] = "READ CAPACITY"; own["43"] = "READ TOC"
    own["46"] = "GET CONFIGURATION"; own["4a"] = "GET EVENT STATUS NOTIFICATION"
    own["51"] = "READ DISC INFORMATION"; own["5a"] = "MODE SENSE(10)"
}
FNR == NR {
    if ($1 == "exec") { ha = field($0, "ha"); want[ha, ++count[ha]] = key($0, 1); drives[ha] = 1 }
    next
}
$0 == "run " run " begin" { state = 1; next }
$0 == "run " run " end" { state = 2; next }
$1 == "exec" && state != 1 {
    op = substr(field($0, "cdb"), 1, 2)
    if (op in own) seen[own[op] ", " (state == 0 ? "before the program ran" : "after it ended")]++
    next
}
$1 == "exec" {
    ha = field($0, "ha")
    k = key($0, 0)
    at = pos[ha] + 1
    if (at <= count[ha] && want[ha, at] == k) {
        pos[ha] = at
        if (k ~ /^1b/) flashing[ha] = 1
        next
    }
    op = substr(field($0, "cdb"), 1, 2)
    place = pos[ha] == 0 ? "while it ran, before its first command" : pos[ha] >= count[ha] ? "while it ran, after its last command" : "while it ran"
    if (!(op in own)) { print "fault: drive " ha " got a command the program did not send: " $0; bad = 1; next }
    if (flashing[ha] && pos[ha] < count[ha]) { print "fault: drive " ha " got the kernel's " own[op] " during the flash: " $0; bad = 1; next }
    seen[own[op] ", " place]++
}
END {
    if (state != 2) { print "fault: no run " run " in the kernel tier's log"; bad = 1 }
    for (ha in drives) if (pos[ha] < count[ha]) { print "fault: drive " ha "'s command " pos[ha] + 1 " of " count[ha] " never reached it as sent: " want[ha, pos[ha] + 1]; bad = 1 }
    for (s in seen) print "kernel's own: " s " x" seen[s]
    for (n in notes) print "note: " n
    exit bad
}
