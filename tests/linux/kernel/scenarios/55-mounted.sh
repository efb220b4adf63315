# A drive whose disc is mounted is refused before anything changes it.
drives_up /drives/readable.scenario
mkdir -p /mnt/disc
mount -t iso9660 -o ro /dev/sr0 /mnt/disc > "$R/mount.out" 2>&1
echo $? > "$R/mount.code"
nf mounted flash "$UPDATER" --test-loaders --yes --all-matched --log "$R/mounted.runlog"
umount /mnt/disc
drives_down
