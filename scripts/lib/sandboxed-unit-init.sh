#!/bin/sh
# /sbin/init of a sandboxed unit (scripts/sandbox --init): "6" shuts the unit
# down as a SysV shutdown that stops services in order does, the daemon 5 s
# after the call, and boots it again 15 s after the call
# (sandboxed-unit-life.sh starts the daemon). In the background, as init returns at once; each step
# goes to /var/log/life.log with its time.
[ "${1:-}" = 6 ] || exit 0
(
  echo "$(date +%s.%N) init" >> /var/log/life.log
  sleep 5
  kill -TERM "$(cat /var/lib/daemon.pid)"
  sleep 10
  touch /var/lib/booted
) </dev/null >/dev/null 2>&1 &
