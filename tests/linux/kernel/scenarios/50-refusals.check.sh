changing='\(1b\|3b\)'
check "held open by another program: refused (exit 2)" exit_code held 2
check "held open by another program: names the holder" has held.err "sleep"
check "held open by another program: no STOP, loader or piece sent" lacks_command drives-held.log "$changing"
check "second norvek-flash on the sg node: refused (exit 2)" exit_code second 2
check "second norvek-flash on the block node: refused (exit 2)" exit_code second-sr 2
check "a mount of the block node during the flash is refused as busy" has mount.out "busy"
check "the first flash finishes (exit 0)" exit_code first 0
check "the first flash's drive was committed once" has drives-second.log "revision=1.05 commits=1"
check "the first flash's drive holds the image" same_image drives-second.log.drive0.flash.sha256
repeated_pieces() {
    local twice
    twice=$(grep '^take .*cdb=3b' "$R/drives-second.log" | sort | uniq -d)
    [ -z "$twice" ] || { echo "sent twice: $twice"; return 1; }
}
check "no piece reached the drive twice with two programs at it" repeated_pieces
