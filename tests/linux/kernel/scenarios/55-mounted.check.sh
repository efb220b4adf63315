check "the virtual disc mounts" exit_code mount 0
check "a mounted disc: refused (exit 2)" exit_code mounted 2
check "a mounted disc: names the mount point" has mounted.err "/mnt/disc"
check "a mounted disc: no STOP, loader or piece sent" lacks_command drives.log '\(1b\|3b\)'
