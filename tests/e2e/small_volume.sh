#!/usr/bin/env bash
# A volume of 1 MiB for the end-to-end test of a full disk: a tmpfs mounted at FOLDER before the
# tests and unmounted after them. Only root may mount one; elsewhere nothing is mounted, and the
# test that needs it says so and skips. Never fails, so that the other tests run either way.
#   small_volume.sh mount|unmount FOLDER
folder=$2
case $1 in
  mount)
    mkdir -p "$folder"
    mountpoint -q "$folder" && umount "$folder"
    if mount -t tmpfs -o size=1m,mode=0777 vorda-small-volume "$folder" 2>/dev/null; then
      echo "a 1 MiB tmpfs at $folder"
    else
      echo "no tmpfs mounted at $folder (root only): the full-disk test skips"
    fi
    ;;
  unmount)
    mountpoint -q "$folder" && umount "$folder"
    rmdir "$folder" 2>/dev/null
    ;;
esac
exit 0
