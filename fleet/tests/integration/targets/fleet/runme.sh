#!/usr/bin/env bash
# The collection against a hundred real daemons: one private sandbox holds a
# bridge and a network namespace per unit, each with its own address and
# store and a /sbin/init whose shutdown takes 5 s and boot 15 s. The
# collection is built, installed offline (the sandbox has no other network)
# and its documentation rendered. Then, with a fifth of the datagrams lost
# each way, 1,000 unit-tasks (ten runs over every unit) of merged, gathered
# and reboot must fail none, report every change, reboot no unit twice, and
# report each reboot only once its new daemon answers, batch after batch.
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

ansible_json() {  # NAME ANSIBLE-COMMAND...: its results in $work/NAME.json, and a file a unit in $work/NAME/
  ANSIBLE_FORKS=$count ANSIBLE_LOAD_CALLBACK_PLUGINS=1 ANSIBLE_STDOUT_CALLBACK=json ANSIBLE_CALLBACKS_ENABLED=tree \
    ANSIBLE_CALLBACK_TREE_DIR=$work/$1 "${@:2}" -i "$work/inventory" > "$work/$1.json" || true
}
every_unit() {  # NAME CHANGED ANSIBLE-COMMAND...: every unit must change CHANGED things and fail nothing
  ansible_json "$1" "${@:3}"
  jq -e --argjson n "$2" ".stats | length == $count and all(.changed == \$n and .failures + .unreachable == 0)" \
    "$work/$1.json" > /dev/null || { cat "$work/$1.json"; fail "${*:3} did not change $2 thing(s) on every unit"; }
}

# Check mode with every key of the table: queries only.
build/bin/kip-param-client keys --json | jq '{kip_fleet_settings: map({key: .path, value: ({u8: 7, u16: 4000,
  u32: 3000000000, ipv4: "10.20.0.7", atcs: "2620010101", char: "A"}[.encoding])}) | from_entries}' > "$work/every-key.json"
every_unit check 1 ansible-playbook fleet/examples/audit.yml --check --diff -e "@$work/every-key.json"
[ "$(documents)" -eq 0 ] || fail "check mode sent $(documents) documents"
# Every unit still differed: check mode sent nothing.
every_unit rollout 1 ansible-playbook fleet/examples/rollout.yml --diff
[ "$(documents)" -ge $count ] || fail "the document counters missed the rollout's documents"
every_unit rollout 0 ansible-playbook fleet/examples/rollout.yml
every_unit gather 0 ansible-playbook fleet/examples/gather.yml

# Every key a query shows: what the collection gathered is what the client's
# get prints, asked on the unit's own loopback, where nothing is lost.
for path in $(build/bin/kip-param-client keys --json | jq -r '.[] | select(.query) | .path'); do
  echo "$path $(jq -r --arg p "$path" '.gathered[$p]' "$work/gather/unit001")" >> "$work/gathered"
  echo "$path $(ip netns exec u1 build/bin/kip-param-client get "$path")" >> "$work/printed"
done
diff "$work/gathered" "$work/printed" || fail "unit001's gathered values (<) differ from what get prints (>)"

# A quarter of the fleet at a time: each reboot is reported only after the
# unit's new daemon answered, with a lower count, so no two batches are
# down at once.
every_unit reboot 1 ansible-playbook fleet/examples/reboot.yml
jq -es 'all(.count_after < .count_before)' "$work"/reboot/unit* >/dev/null || fail "a reboot without a lower count"
for n in $(seq 1 $count); do  # down from REBOOT's arrival to the daemon's start again
  awk '$2 == "init" { init = $1 } $2 == "start" && init { print init, $1; exit }' "$(unit_file "$n" /var/log/life.log)"
done | sort -n | awk 'NR == 1 || $1 > end { batches++ } $2 > end { end = $2 } END { print batches }' > "$work/batches"
[ "$(cat "$work/batches")" = 4 ] || fail "$(cat "$work/batches") batches of units were down at once, not 4 apart"

sed 's/config:Power: 7/config:Power: 5/' fleet/examples/inventory/group_vars/units.yml > "$work/power5.yml"
every_unit drift 1 ansible-playbook fleet/examples/audit.yml -e "@$work/power5.yml"
every_unit gather 0 ansible-playbook fleet/examples/gather.yml
every_unit audit 1 ansible-playbook fleet/examples/audit.yml
every_unit adhoc 1 ansible units -m kip.param.reboot -a reboot_timeout=120  # all at once
every_unit audit 0 ansible-playbook fleet/examples/audit.yml
[ "$(for n in $(seq 1 $count); do wc -l < "$(unit_file "$n" /var/log/reboots.log)"; done | sort -u)" = 2 ] ||
  fail "a unit rebooted other than twice"

# What an operator gets wrong first is refused with a message that says what
# to do, before anything is sent: HOST ARGS (as JSON) and the message (a jq regex).
while IFS='|' read -r host args message; do
  ansible_json refused ansible -i unit-without-address, "$host" -c local -m kip.param.config -a "$args"
  jq -e --arg m "$message" '.plays[0].tasks[0].hosts[] | .failed and (.msg | test($m))' "$work/refused.json" \
    > /dev/null || fail "$host $args: not refused with '$message': $(cat "$work/refused.json")"
done <<'CASES'
unit002|{"state": "gathered", "settings": {"Power": 7}}|settings are for state: merged
unit-without-address|{"state": "gathered"}|cannot resolve host 'unit-without-address': .*is its ansible_host missing\?
unit002|{"host": "10.77.1.300", "state": "gathered"}|'10.77.1.300' is not an IPv4 address
unit002|{"host": "10.1", "state": "gathered"}|'10.1' is not an IPv4 address
CASES

# A unit that is down before the task fails fast and unchanged, saying
# why silence may come: REBOOT is never sent.
kill "$(cat "$(unit_file 1 /var/lib/daemon.pid)")"
ansible_json down ansible-playbook --limit unit001 fleet/examples/reboot.yml
jq -e '.plays[0].tasks[0].hosts.unit001 | .failed and .changed == false and .elapsed < 15 and .reboots_sent == 0
  and (.msg | test("after 13 tries in 13 s .*allow-list.*; REBOOT not sent"))' "$work/down.json" > /dev/null ||
  fail "down unit: $(cat "$work/down.json")"
