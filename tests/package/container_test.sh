#!/usr/bin/env bash
# Installs the Debian package into a minimal Debian tree and runs it there in
# systemd-nspawn containers whose network is only their own lo:
#   - the package holds the files of tests/package/contents.txt, with their
#     owners and modes;
#   - not booted: it installs stripped programs, the init script as a
#     conffile and a unit systemd accepts; the SysV script starts the daemon with its log in
#     /var/log/app-kip-param.log and stops it, twice; remove keeps the store;
#     purge leaves no file behind that the tree did not have before;
#   - the SysV script passes the list of /etc/default/app-kip-param, a
#     conffile: a source that may only read gets DOR but cannot set a value;
#   - booted, systemd as PID 1: the hardened unit starts the daemon of a tree
#     the package was installed in offline with that file's list: a reader's
#     REBOOT is dropped, and REBOOT sent from the allowed address restarts the
#     container.
# The tree is made once by debootstrap into BUILD/nspawn/base; each run works
# on an overlay of it in memory, so the base stays as debootstrap made it.
# Root only. Exits 0 when everything held or, with a line saying why, when
# this machine cannot run a container; 1 on a failure.
#   tests/package/container_test.sh BUILD
set -euo pipefail
build=$(cd "$1" && pwd)
base=$build/nspawn/base
fail() { echo "FAIL: $*"; exit 1; }
skip() { echo "container test: skipped, $*"; exit 0; }

if [ "${2:-}" != --in-namespace ]; then
  [ "$(id -u)" -eq 0 ] || skip "it needs root"
  "$(dirname "$0")/../../scripts/lib/need-packages" container-test debootstrap systemd-container
  deb=$(mktemp -d)
  trap 'rm -rf "$deb"' EXIT
  cpack --config "$build/CPackConfig.cmake" -B "$deb" >/dev/null
  dpkg-deb -c "$deb"/app-kip-param_*_amd64.deb | awk '{ print $1, $2, $6 }' | diff "$(dirname "$0")/contents.txt" - || fail "the package's files, owners or modes differ from contents.txt"
  if [ ! -e "$base/.complete" ]; then
    # The package's own dependencies come with the tree: installing it then
    # needs no network.
    depends=$(dpkg-deb -f "$deb"/app-kip-param_*_amd64.deb Depends | sed 's/([^)]*)//g; s/ //g')
    mirror=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources)
    rm -rf "$base" && mkdir -p "$base"
    debootstrap --variant=minbase --include="systemd-sysv,$depends" "$(. /etc/os-release && echo "$VERSION_CODENAME")" \
      "$base" "$mirror" > "$build/nspawn/debootstrap.log" 2>&1 || fail "debootstrap failed, see $build/nspawn/debootstrap.log"
    touch "$base/.complete"
  fi
  # A private mount namespace: the overlay, and a /run of its own for nspawn,
  # which refuses to clean up a /run on disk (as on a machine without systemd).
  exec unshare --mount --fork "$0" "$build" --in-namespace "$deb"/app-kip-param_*_amd64.deb
fi

mount --make-rprivate /
for dir in /run /mnt; do mount -t tmpfs tmpfs $dir; done
mkdir /mnt/upper /mnt/work /mnt/root
mount -t overlay overlay -o "lowerdir=$base,upperdir=/mnt/upper,workdir=/mnt/work" /mnt/root
cp "$3" /mnt/root/root/app-kip-param.deb
container=(systemd-nspawn -D /mnt/root --register=no --keep-unit --private-network -q)
probe=$("${container[@]}" --pipe true 2>&1) || skip "systemd-nspawn cannot run a container here: $probe"

# Files of the tree, outside the mounts nspawn makes (/proc, /run, /tmp, ...).
listing='find / -xdev ! -path /root/\* | sort'
"${container[@]}" --pipe sh -c "
  fail() { echo \"FAIL: \$*\"; exit 1; }
  $listing > /root/before
  dpkg -i /root/app-kip-param.deb > /root/dpkg.log 2>&1
  # The conffile's list in force: lo may only read. Twice, for a log that is
  # appended to across restarts.
  echo 'DAEMON_ARGS=\"--allow-queries 127.0.0.1\"' >> /etc/default/app-kip-param
  for round in 1 2; do
    /etc/init.d/app-kip-param start > /dev/null || fail 'SysV start failed'
    for i in \$(seq 10); do kip-param-client --timeout 1 query DOR > /dev/null && break; done || fail 'a reader got no DOR under the SysV script'
    kip-param-client --timeout 3 set Power 7 > /dev/null 2>&1 && fail 'a reader set a value under the SysV script'
    # A stop of a stopped daemon succeeds too.
    /etc/init.d/app-kip-param stop > /dev/null && /etc/init.d/app-kip-param stop > /dev/null || fail 'SysV stop failed'
  done
  [ \"\$(grep -c 'Caught SIGTERM' /var/log/app-kip-param.log)\" = 2 ] || fail 'the SysV log lacks the two stops'
  # A wrong list fails the start, with its line, rather than the daemon unseen.
  echo 'DAEMON_ARGS=\"--allow 10.0.0.0/33\"' >> /etc/default/app-kip-param
  out=\$(/etc/init.d/app-kip-param start 2>&1) && fail 'SysV start took a wrong list'
  case \$out in *\"'10.0.0.0/33': the prefix length\"*) ;; *) fail \"SysV start of a wrong list said: \$out\" ;; esac
  dpkg -r app-kip-param >> /root/dpkg.log 2>&1
  [ -e /var/lib/app-kip-param/parameters.store ] || fail 'remove dropped the store'
  dpkg --purge app-kip-param >> /root/dpkg.log 2>&1
  $listing > /root/after
  diff /root/before /root/after > /root/left || fail \"purge left: \$(grep '^>' /root/left | tr '\n' ' ')\"
  dpkg -i /root/app-kip-param.deb >> /root/dpkg.log 2>&1
  [ \"\$(grep -cx '/etc/init.d/app-kip-param\|/etc/default/app-kip-param' /var/lib/dpkg/info/app-kip-param.conffiles)\" = 2 ] ||
    fail 'the init script and the defaults are not both conffiles'
  systemd-analyze verify --man=no /lib/systemd/system/app-kip-param.service > /root/verify 2>&1 &&
    ! grep 'Unknown key\|Unknown section' /root/verify || fail \"systemd rejects the unit: \$(cat /root/verify)\"
" || exit 1

# The programs as the package installed them; ", stripped": "not stripped" must not match.
programs=$(cd /mnt/root && file usr/sbin/app-kip-param usr/bin/kip-param-store usr/bin/kip-param-client)
[ "$(grep -c ', stripped' <<< "$programs")" = 3 ] || fail "not all programs stripped: $programs"

# Under systemd the same conffile lets lo only read and 192.0.2.1 (put on the
# container's lo below) send anything.
echo 'DAEMON_ARGS="--allow 192.0.2.1 --allow-queries 127.0.0.1"' >> /mnt/root/etc/default/app-kip-param
"${container[@]}" --boot --console=passive > /mnt/console.log 2>&1 &
nspawn=$!
# A second SIGTERM ends a container at once that has not shut down by then.
trap 'kill $nspawn 2>/dev/null && sleep 10 && kill $nspawn 2>/dev/null; wait' EXIT
# nspawn's first child only sets up the namespaces and goes; the leader is
# the systemd it starts, whose network the daemon listens on.
client=("$build/bin/kip-param-client" --timeout 1)
for _ in $(seq 60); do
  leader=$(ps -o pid=,comm= --ppid "$nspawn" | awk '$2 == "systemd" { print $1 }') || true
  [ -n "$leader" ] && nsenter -t "$leader" -n "${client[@]}" query DOR > /dev/null 2>&1 && break || sleep 1
done
nsenter -t "$leader" -n "${client[@]}" query DOR > /dev/null || fail "the daemon did not answer after booting: $(tail -5 /mnt/console.log)"
! nsenter -t "$leader" -n "${client[@]}" --timeout 3 query REBOOT --yes > /dev/null 2>&1 &&
  nsenter -t "$leader" -n "${client[@]}" query DOR > /dev/null || fail "a reader's REBOOT was answered or stopped the daemon under systemd"
nsenter -t "$leader" -n ip addr add 192.0.2.1/24 dev lo
nsenter -t "$leader" -n "${client[@]}" --host 192.0.2.1 query REBOOT --yes > /dev/null
timeout 60 tail --pid="$nspawn" -f /dev/null || fail "REBOOT did not restart the container: $(tail -5 /mnt/console.log)"
wait "$nspawn" && status=0 || status=$?
# 133 is nspawn's word for "the container rebooted": its service unit restarts the container on it.
[ "$status" -eq 133 ] || fail "the container ended with $status, not 133 (rebooted): $(tail -5 /mnt/console.log)"
echo "container test passed"
