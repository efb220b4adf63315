# SIGSTOP and SIGCONT while an image piece is with the drive, and again
# while the drive programs its flash: every command must reach the drive
# once (a stopped SG_IO on /dev/sg is orphaned, and the restarted call
# sends the same command again).
drives_up /drives/slow.scenario
nf_bg stop flash "$UPDATER" --test-loaders --yes --device /dev/sg0 --log "$R/stop.runlog"
wait_taken "$IMAGE_PIECE" 10 60
sleep 0.1
tail -1 "$DRIVES_LOG" > "$R/at-first-stop"
kill -STOP "$NF_PID"
sleep 1
kill -CONT "$NF_PID"
wait_taken "$COMMIT" 1 120
sleep 0.5
tail -1 "$DRIVES_LOG" > "$R/at-second-stop"
kill -STOP "$NF_PID"
sleep 3
kill -CONT "$NF_PID"
nf_wait
drives_down
