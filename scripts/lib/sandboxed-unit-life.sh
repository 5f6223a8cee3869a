#!/usr/bin/env bash
# A sandboxed unit's life, from the repository's top: the daemon on a fresh
# store, and again after each boot that sandboxed-unit-init.sh announces. Its
# PID is in /var/lib/daemon.pid, each start in /var/log/life.log; a stop
# signal stops the daemon too.
set -eu
build/bin/kip-param-store init >/dev/null
trap 'kill -TERM "$(cat /var/lib/daemon.pid)" 2>/dev/null; exit 0' TERM
while :; do
  echo "$(date +%s.%N) start" >> /var/log/life.log
  build/bin/app-kip-param &
  echo $! > /var/lib/daemon.pid
  wait $! || true
  until [ -e /var/lib/booted ]; do sleep 0.2; done
  rm /var/lib/booted
done
