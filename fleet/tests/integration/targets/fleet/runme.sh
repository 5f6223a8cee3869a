#!/usr/bin/env bash
# The collection against a hundred real daemons: one private sandbox holds a
# bridge and a network namespace per unit, each with its own address and
# store and a /sbin/init whose shutdown takes 5 s and boot 15 s. The
# collection is built, installed offline (the sandbox has no other network)
# and its documentation rendered. Then, with a fifth of the datagrams lost
# each way, 1,000 unit-tasks of merged, gathered and reboot must fail none,
# report every change, reboot no unit twice, and report each reboot only
# once its new daemon answers, batch after batch.
#   fleet/tests/integration/targets/fleet/runme.sh
set -euo pipefail
cd "$(dirname "$0")/../../../../.."
if [ "${1:-}" != --inside ]; then
  scripts/lib/need-packages fleet-test ansible-core nftables iproute2 jq
  exec scripts/sandbox --net --scratch "$0" --inside
fi

# shellcheck source=scripts/lib/sandboxed-fleet.sh
source scripts/lib/sandboxed-fleet.sh
count=100 work=/var/lib/fleet-test  # the sandbox's own tmpfs
fail() { echo "fleet-test: $*" >&2; exit 1; }
start_fleet "$work" $count
[ "$(ansible-doc kip.param.config kip.param.reboot | grep -c '^EXAMPLES')" -eq 2 ] || fail "no examples in ansible-doc"
lose_a_fifth $(seq 1 $count)
documents() { for n in $(seq 1 $count); do counted "$n" other; done | jq -s add; }

tasks=0
playbook() {  # PLAYBOOK CHANGED [ARG...]: the recap must say every unit changed CHANGED things
  local name start=$SECONDS
  name=$(basename "$1" .yml)
  ANSIBLE_FORKS=$count ANSIBLE_CALLBACKS_ENABLED=tree ANSIBLE_CALLBACK_TREE_DIR=$work/$name \
    ansible-playbook -i "$work/inventory" "$1" "${@:3}" > "$work/$name.out" 2>&1 || true
  [ "$(grep -cE "^unit[0-9]+ +: ok=[0-9]+ +changed=$2 +unreachable=0 +failed=0 " "$work/$name.out")" -eq $count ] ||
    { cat "$work/$name.out"; fail "$1 ${*:3} did not change $2 thing(s) on every unit"; }
  echo "fleet-test: $name ${*:3}: $((SECONDS - start)) s"
  tasks=$((tasks + count))
}
examples=fleet/examples

# Check mode with every key of the table: queries only.
build/bin/kip-param-client keys --json | jq '{kip_fleet_settings: map({key: .path, value: (
  {u8: 7, u16: 4000, u32: 3000000000, ipv4: "10.20.0.7", atcs: "2620010101", char: "A"}[.encoding])}) | from_entries}' \
  > "$work/every-key.json"
playbook $examples/audit.yml 1 --check --diff -e "@$work/every-key.json"
[ "$(documents)" -eq 0 ] || fail "check mode sent $(documents) documents"
playbook $examples/rollout.yml 1 --diff  # every unit still differed: check mode sent nothing
[ "$(documents)" -ge $count ] || fail "the document counters missed the rollout's documents"
playbook $examples/rollout.yml 0
playbook $examples/gather.yml 0

# Every key a query shows, on one unit each: what the collection gathered is
# what the client's get prints, asked on the unit's own loopback, where
# nothing is lost.
mapfile -t paths < <(build/bin/kip-param-client keys --json | jq -r '.[] | select(.query) | .path')
(for i in "${!paths[@]}"; do  # a subshell, whose wait is for these gets only
  n=$((i % count + 1)) path=${paths[$i]}
  echo "unit$n $path $(jq -r --arg p "$path" '.gathered[$p]' "$work/gather/$(printf unit%03d $n)")" >> "$work/gathered"
  echo "unit$n $path $(ip netns exec "u$n" build/bin/kip-param-client get "$path")" >> "$work/printed" &
done; wait)
diff <(sort "$work/gathered") <(sort "$work/printed") || fail "gathered values (<) differ from what get prints (>)"

# A quarter of the fleet at a time: each reboot is reported only after the
# unit's new daemon answered, with a lower count, so no two batches are
# down at once.
playbook $examples/reboot.yml 1
jq -es 'all(.count_after < .count_before)' "$work"/reboot/unit* >/dev/null || fail "a reboot without a lower count"
for n in $(seq 1 $count); do  # down from REBOOT's arrival to the daemon's start again
  awk '$2 == "init" { init = $1 } $2 == "start" && init { print init, $1; exit }' "$(unit_file "$n" /var/log/life.log)"
done | sort -n | awk 'NR == 1 || $1 > end { batches++ } $2 > end { end = $2 } END { print batches }' > "$work/batches"
[ "$(cat "$work/batches")" = 4 ] || fail "$(cat "$work/batches") batches of units were down at once, not 4 apart"

sed 's/config:Power: 7/config:Power: 5/' $examples/inventory/group_vars/units.yml > "$work/power5.yml"
playbook $examples/audit.yml 1 -e "@$work/power5.yml"
playbook $examples/gather.yml 0
playbook $examples/audit.yml 1
ANSIBLE_FORKS=$count ansible units -i "$work/inventory" -m kip.param.reboot -a reboot_timeout=120 \
  > "$work/adhoc.out" 2>&1 || true
[ "$(grep -c '^unit[0-9]* | CHANGED' "$work/adhoc.out")" -eq $count ] || { cat "$work/adhoc.out"; fail "ad hoc reboot"; }
tasks=$((tasks + count))
playbook $examples/audit.yml 0
for n in $(seq 1 $count); do
  [ "$(wc -l < "$(unit_file "$n" /var/log/reboots.log)")" = 2 ] || fail "unit$n rebooted other than twice"
done
[ $tasks -ge 1000 ] || fail "only $tasks unit-tasks"

# What an operator gets wrong first is refused with a message that says what
# to do, before anything is sent: HOST ARGS (as JSON) and the message.
while IFS='|' read -r host args message; do
  ANSIBLE_LOAD_CALLBACK_PLUGINS=1 ANSIBLE_STDOUT_CALLBACK=json ansible -i "$work/inventory" -i unit-without-address, \
    "$host" -c local -m kip.param.config -a "$args" > "$work/refused.json" 2>&1 || true
  jq -e --arg m "$message" '.plays[0].tasks[0].hosts[] | .failed and (.msg | contains($m))' "$work/refused.json" \
    > /dev/null || fail "$host $args: not refused with '$message': $(cat "$work/refused.json")"
done <<'CASES'
unit002|{"state": "gathered", "settings": {"Power": 7}}|settings are for state: merged
unit-without-address|{"state": "gathered"}|is its ansible_host missing?
unit002|{"host": "10.77.1.300", "state": "gathered"}|'10.77.1.300' is not an IPv4 address
CASES

# A unit that is down before the task fails fast and unchanged: REBOOT is
# never sent.
kill "$(cat "$(unit_file 1 /var/lib/daemon.pid)")"
ANSIBLE_CALLBACKS_ENABLED=tree ANSIBLE_CALLBACK_TREE_DIR=$work/down \
  ansible-playbook -i "$work/inventory" --limit unit001 $examples/reboot.yml > "$work/down.out" 2>&1 || true
grep -qE "^unit001 +: ok=0 +changed=0 +unreachable=0 +failed=1 " "$work/down.out" || { cat "$work/down.out"; fail "down unit"; }
jq -e '.elapsed < 15 and .reboots_sent == 0' "$work/down/unit001" >/dev/null || fail "down unit: $(cat "$work/down/unit001")"
echo "fleet-test: $tasks unit-tasks, no false failure, in $SECONDS s"
