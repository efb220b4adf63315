check "SIGINT before the STOP: exit 5" exit_code sigint 5
check "SIGINT before the STOP: says no drive was changed" has sigint.err "before any drive was changed"
check "SIGINT before the STOP: no STOP, loader or piece reached the drive" lacks_command drives-sigint.log '\(1b\|3b\)'
check "SIGINT before the STOP: the drive is unchanged" has drives-sigint.log "revision=1.02 commits=0"
check "SIGTERM after the STOP: the flash finishes (exit 0)" exit_code sigterm 0
check "SIGTERM after the STOP: says the drive must finish" has sigterm.err "is being flashed and must finish"
check "SIGTERM after the STOP: committed once" has drives-sigterm.log "revision=1.05 commits=1"
check "SIGTERM after the STOP: holds the image" same_image drives-sigterm.log.drive0.flash.sha256
