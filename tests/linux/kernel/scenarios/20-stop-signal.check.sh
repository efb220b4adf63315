# Stopped and continued twice: each command reached the drive once.
repeated() {
    local twice
    twice=$(grep '^take ' "$R/drives.log" | grep 'cdb=3b' | sort | uniq -d)
    [ -z "$twice" ] || { echo "sent twice: $twice"; return 1; }
}
check "the first stop came while an image piece was with the drive" grep -q '^take .*cdb=3b0501.\{6\}00400000' "$R/at-first-stop"
check "the second stop came while the commit was with the drive" grep -q '^take .*cdb=3b0501000000000000[8a]0' "$R/at-second-stop"
check "the flash stopped and continued twice ends 0" exit_code stop 0
check "no WRITE BUFFER reached the drive twice" repeated
check "the drive was committed once" has drives.log "commits=1"
check "the drive holds the image" same_image drives.log.drive0.flash.sha256
