#!/usr/bin/env bash
# The collection against eight real daemons: one private sandbox holds a
# bridge and eight network namespaces, each unit's daemon with its own
# address, store and reboot recorder. The collection is built, installed
# offline (the sandbox has no other network), its documentation rendered and
# the example playbooks linted and run, once on clean links and once with a
# tenth of the datagrams dropped each way (by nftables: the kernel here has
# no netem).
#   fleet/tests/integration/fleet_test.sh
set -euo pipefail
cd "$(dirname "$0")/../../.."
if [ "${1:-}" != --inside ]; then
  scripts/lib/need-packages fleet-test ansible-core ansible-lint nftables iproute2
  exec scripts/sandbox --net --scratch "$0" --inside
fi

source fleet/tests/sandboxed_fleet.sh
units=8
work=/var/lib/fleet-test  # the sandbox's own tmpfs
export ANSIBLE_FORKS=$units
fail() { echo "fleet-test: $*" >&2; exit 1; }
say() { echo "fleet-test: $*"; }

start_fleet "$work" $units
for module in config reboot; do
  ansible-doc "kip.param.$module" | grep -q EXAMPLES || fail "ansible-doc kip.param.$module shows no examples"
done
(cd fleet/examples && ansible-lint -q audit.yml rollout.yml gather.yml reboot.yml) || fail "ansible-lint"

# What the units hold, seen from outside their sandboxes.
store_bytes() { sha256sum $(unit_files lib/app-kip-param/parameters.store); }
status_file_times() { stat -c '%n %y' $(unit_files log/dor.xml) $(unit_files log/lun.xml); }
reboot_lines() { for file in $(unit_files log/reboots.log); do cat "$file" 2>/dev/null | wc -l; done | sort | uniq -c; }
playbook() {
  local name=$1
  shift
  ANSIBLE_CALLBACKS_ENABLED=junit,tree JUNIT_OUTPUT_DIR=$work/reports/junit ANSIBLE_CALLBACK_TREE_DIR=$work/reports/tree \
    ansible-playbook -i "$work/inventory" "fleet/examples/$name.yml" "$@" > "$work/$name.out" 2>&1 ||
    { cat "$work/$name.out"; fail "$name.yml $* failed"; }
}
every_unit_changed() {  # COUNT PLAYBOOK: the recap says every unit changed COUNT things
  [ "$(grep -cE "^unit[0-9]+ +: ok=[0-9]+ +changed=$1 +unreachable=0 +failed=0 " "$work/$2.out")" -eq $units ] ||
    { cat "$work/$2.out"; false; }
}

run_fleet() {  # ROUND [--get]: every check of one run over the fleet
  local round=$1 before
  shift
  before=$(store_bytes)
  playbook audit --check --diff
  [ "$(store_bytes)" = "$before" ] || fail "check mode changed a store"
  every_unit_changed 1 audit || fail "check mode did not report every unit as changed"
  playbook rollout --diff
  before=$(status_file_times)
  playbook rollout
  every_unit_changed 0 rollout || fail "a second rollout changed a unit"
  [ "$(status_file_times)" = "$before" ] || fail "a second rollout sent a configuration document"
  playbook gather
  /usr/bin/python3 fleet/tests/integration/check_gathered.py "$work/inventory" "$work/reports/tree" "$@"
  playbook reboot
  [ "$(reboot_lines)" = "      $units $round" ] || fail "reboots per unit, after $round rounds: $(reboot_lines)"
  say "round $round passed"
}

# On clean links gathered values are also compared with the client's get.
run_fleet 1 --get
# Every unit drifts again, so that the lossy round has work to do.
for n in $(seq 1 $units); do
  build/bin/kip-param-client --host "$(unit_address "$n")" set config:Power 1 LunConfig:ItpLink:RemotePort 1 >/dev/null
done
# Dropped on the way in, at the controller for replies and at each unit for
# requests: a drop on the way out would fail the send instead of losing it.
for direction in sport dport; do
  echo "table inet loss { chain input { type filter hook input priority 0;" \
    "udp $direction 3180 numgen random mod 100 < 10 counter drop; }; }" > "$work/loss-$direction.nft"
done
nft -f "$work/loss-sport.nft"
for n in $(seq 1 $units); do ip netns exec "u$n" nft -f "$work/loss-dport.nft"; done
run_fleet 2
dropped() { "$@" nft list table inet loss | grep -o 'packets [0-9]*' | cut -d' ' -f2; }
say "the lossy round dropped $(dropped) replies and $(for n in $(seq 1 $units); do dropped ip netns exec "u$n"; done |
  awk "{ sum += \$1 } END { print sum }") requests"
