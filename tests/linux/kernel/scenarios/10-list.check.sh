# list and list --json with one and four drives.
for n in one four; do
    check "list with $n drive(s) exits 0" exit_code list-$n 0
    check "list --json with $n drive(s) exits 0" exit_code list-$n-json 0
    while read -r sg sr; do
        [ -n "$sg" ] || continue
        check "list ($n) shows $sg with its block node $sr" has list-$n.out "/dev/$sg (/dev/$sr)"
        check "list --json ($n) has $sg" has list-$n-json.out "\"/dev/$sg\""
    done < "$R/nodes-$n"
done
check "list (four) offers the update to the KTV-360R" has list-four.out "from 1.02 to 1.05"
check "list (four) names the other maker's drive" has list-four.out "ORVANTE"
