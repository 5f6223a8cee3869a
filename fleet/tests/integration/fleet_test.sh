#!/usr/bin/env bash
# The collection against eight real daemons: one private sandbox holds a
# bridge and eight network namespaces, each unit's daemon with its own
# address, store and reboot recorder. The collection is built, installed
# offline (the sandbox has no other network) and its documentation
# rendered; the example playbooks run with a tenth of the datagrams lost
# each way.
#   fleet/tests/integration/fleet_test.sh
set -euo pipefail
cd "$(dirname "$0")/../../.."
if [ "${1:-}" != --inside ]; then
  scripts/lib/need-packages fleet-test ansible-core nftables iproute2 jq
  exec scripts/sandbox --net --scratch "$0" --inside
fi

source fleet/tests/sandboxed_fleet.sh
units=8 work=/var/lib/fleet-test  # the sandbox's own tmpfs
fail() { echo "fleet-test: $*" >&2; exit 1; }
start_fleet "$work" $units
[ "$(ansible-doc kip.param.config kip.param.reboot | grep -c '^EXAMPLES')" -eq 2 ] || fail "no examples in ansible-doc"

# Requests are dropped on the way into the unit, replies on the way into the
# controller (a drop on the way out would fail the send instead). A counter
# per unit and direction, each at a place of its own, not chance: no
# exchange loses all its tries, so the test never fails at random.
loss() { echo "table inet loss { chain input { type filter hook input priority 0; $* }; }"; }
for n in $(seq 1 $units); do
  loss "iifname eth0 udp dport 3180 numgen inc mod 10 == $((n % 10)) drop;" | ip netns exec "u$n" nft -f -
  replies+="ip saddr $(unit_address "$n") udp sport 3180 numgen inc mod 10 == $(((n + 5) % 10)) drop; "
done
loss "$replies" | nft -f -

playbook() {  # NAME CHANGED [ARG...]: the recap must say every unit changed CHANGED things
  ANSIBLE_FORKS=$units ANSIBLE_CALLBACKS_ENABLED=tree ANSIBLE_CALLBACK_TREE_DIR=$work/$1 \
    ansible-playbook -i "$work/inventory" "fleet/examples/$1.yml" "${@:3}" > "$work/$1.out" 2>&1 &&
    [ "$(grep -cE "^unit[0-9]+ +: ok=[0-9]+ +changed=$2 +unreachable=0 +failed=0 " "$work/$1.out")" -eq $units ] ||
    { cat "$work/$1.out"; fail "$1.yml ${*:3} did not change $2 thing(s) on every unit"; }
}
playbook audit 1 --check --diff
playbook rollout 1 --diff  # every unit still differed: check mode sent nothing
playbook rollout 0
playbook gather 0

# Every key a query shows, on one unit each: what the collection gathered is
# what the client's get prints, asked on the unit's own loopback, where
# nothing is lost.
paths=($(build/bin/kip-param-client keys --json | jq -r '.[] | select(.query) | .path'))
(for i in "${!paths[@]}"; do  # a subshell, whose wait is for these gets only
  n=$((i % units + 1)) path=${paths[$i]}
  echo "unit$n $path $(jq -r --arg p "$path" '.gathered[$p]' "$work/gather/$(printf unit%03d $n)")" >> "$work/gathered"
  echo "unit$n $path $(ip netns exec "u$n" build/bin/kip-param-client get "$path")" >> "$work/printed" &
done; wait)
diff <(sort "$work/gathered") <(sort "$work/printed") || fail "gathered values (<) differ from what get prints (>)"

# Last: a unit answers late for a while after it restarts.
playbook reboot 1
for pid in "${daemons[@]}"; do [ "$(wc -l < "/proc/$pid/root/var/log/reboots.log")" = 1 ] || fail "not one reboot"; done
