#!/bin/sh
# On the unit, from the console: the store on UBIFS over the simulated NAND
# (mtd0). Each round sets one parameter again and again, a value never used
# before each time, while UBI's power-cut emulation stops the flash at a
# random header write from 1 to MOST_WRITES: the set under way then fails.
# UBI and UBIFS are attached and mounted again. One line a round, for the
# build machine to judge (OLD: the last value whose set succeeded; NEW and
# STATUS: the last set tried):
#   round N old OLD new NEW set STATUS cut 0|1 now VALUE|unreadable
# It goes on until CUTS power cuts have happened (at most 2 x CUTS rounds).
#   flash_cuts.sh CUTS MOST_WRITES
set -eu
cuts=$1 most=$2
store=/var/lib/app-kip-param
debug=/sys/kernel/debug/ubi/ubi0
id=135  # RadioID: four bytes, so a value torn in two would show

# The tool alone writes the store: the daemon only reads it at start-up.
/etc/init.d/app-kip-param stop >/dev/null
mount -t debugfs debugfs /sys/kernel/debug

# Synchronous: each of the store's writes reaches the flash when it returns,
# so that a cut can fall between any two of them.
attach() {
  ubiattach -m 0 /dev/ubi_ctrl >/dev/null; mount -t ubifs -o sync ubi0:store "$store"
  echo 1 > "$debug/tst_emulate_power_cut_min"
  echo "$most" > "$debug/tst_emulate_power_cut_max"
}
# An empty NAND: UBI formats it on attach, UBIFS the empty volume on mount.
ubiattach -m 0 /dev/ubi_ctrl >/dev/null; ubimkvol /dev/ubi0 -N store -m >/dev/null; ubidetach -d 0 /dev/ubi_ctrl >/dev/null
attach
kip-param-store init >/dev/null
old=$(kip-param-store get $id)

n=0 happened=0 new=1000000
while [ $happened -lt "$cuts" ] && [ $n -lt $((2 * cuts)) ]; do
  n=$((n + 1))
  dmesg -c >/dev/null
  echo 3 > "$debug/tst_emulate_power_cut"  # at EC and VID header writes
  # Sets back to back, so that the flash stops inside one: until one fails.
  sets=0
  while
    new=$((new + 7919)) sets=$((sets + 1))
    kip-param-store set $id $new >/dev/null 2>&1
    status=$?
    [ $status -eq 0 ] && [ $sets -lt 500 ]
  do old=$new; done
  cut=0
  dmesg | grep -q "emulating a power cut" && cut=1 && happened=$((happened + 1))
  umount "$store"; ubidetach -d 0 /dev/ubi_ctrl >/dev/null
  attach
  now=$(kip-param-store get $id 2>/dev/null) || now=unreadable
  echo "round $n old $old new $new set $status cut $cut now $now"
  [ "$now" != unreadable ] || break  # nothing more to learn
  old=$now
done
