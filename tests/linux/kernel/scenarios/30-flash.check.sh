# Flashes through the real kernel: the image is in the drive afterwards.
check "one drive: flash exits 0" exit_code one 0
check "one drive: committed once" has drives-one.log "exit drive=0 ha=0 target=0 lun=0 revision=1.05 commits=1"
check "one drive: holds the image" same_image drives-one.log.drive0.flash.sha256
check "four drives: flash exits 0" exit_code four 0
for d in 0 1 3; do
    check "four drives: drive $d committed once" has drives-four.log "exit drive=$d ha=$d target=0 lun=0 revision=1.05 commits=1"
    check "four drives: drive $d holds the image" same_image drives-four.log.drive$d.flash.sha256
done
check "four drives: the other maker's drive is left as it was" has drives-four.log "exit drive=2 ha=2 target=0 lun=0 revision=2.10 commits=0"
check "four drives: the other maker's drive gets no vendor command" no_vendor_commands drives-four.log 2
overlap() {  # the three flashes ran at once: a drive's pieces interleave with another's
    awk '/^take ha=[013] cdb=3b0501/ { split($2, h, "="); if (last != "" && h[2] != last) switches++; last = h[2] }
         END { if (switches < 3) { print "the drives were written one after another (" switches+0 " switches)"; exit 1 } }' \
        "$R/drives-four.log"
}
check "four drives: flashed in parallel" overlap
check "corrupting drive: the flash fails (exit 3)" exit_code corrupt 3
check "corrupting drive: never committed" has drives-corrupt.log "commits=0"
check "corrupting drive: no commit command reached it" lacks_command drives-corrupt.log '3b0501000000000000[8a]0'
