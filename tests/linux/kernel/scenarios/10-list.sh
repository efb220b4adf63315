# list and list --json, with one drive and with four: the nodes and
# addresses are the kernel's own.
for n in one four; do
    drives_up /drives/$n.scenario
    nodes > "$R/nodes-$n"
    nf list-$n list "$UPDATER"
    nf list-$n-json list "$UPDATER" --json
    drives_down
    mv "$R/drives.log" "$R/drives-$n.log"
done
