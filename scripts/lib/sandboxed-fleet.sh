# shellcheck shell=bash
# Sourced inside `scripts/sandbox --net --scratch`, from the repository's top,
# by the fleet's and the exporter's tests and by scripts/bench-fleet: units on
# one bridge, each a daemon with its own address and store in network and
# mount namespaces of its own, whose /sbin/init shuts it down in 5 s and boots
# it in 15 (sandboxed-unit-init.sh), and an Ansible inventory for them from the
# example's group_vars.
#   start_fleet WORK COUNT   installs the collection offline into
#                            WORK/collections, starts the units and sets
#                            units (the PIDs of their lives, sandboxed-unit-life.sh)
#   unit_address N, unit_file N PATH (PATH as unit N sees it)
#   lose_a_fifth N...        see below; counted N datagrams|other

unit_address() { echo "10.77.1.$1"; }
unit_file() { echo "/proc/${units[$1 - 1]}/root$2"; }

start_fleet() {
  local work=$1 count=$2 n
  mkdir -p "$work/home" "$work/inventory/host_vars"
  export HOME=$work/home ANSIBLE_COLLECTIONS_PATH=$work/collections
  ansible-galaxy collection build --output-path "$work" fleet >/dev/null
  ansible-galaxy collection install "$work"/kip-param-*.tar.gz -p "$work/collections" >/dev/null
  # ip netns keeps its names under /run/netns: the sandbox's own, not the machine's.
  mount -t tmpfs sandbox-run /run
  ip link add br0 up type bridge
  ip addr add 10.77.0.1/16 dev br0
  trap 'kill "${units[@]}" 2>/dev/null || true' EXIT
  cp -r fleet/examples/inventory/group_vars "$work/inventory/"
  { echo "units:"; echo "  hosts:"; seq -f '    unit%03g:' 1 "$count"; } > "$work/inventory/hosts.yml"
  for n in $(seq 1 "$count"); do
    ip netns add "u$n"
    ip link add "v$n" master br0 up type veth peer name eth0 netns "u$n"
    ip -n "u$n" addr add "$(unit_address "$n")/16" dev eth0
    ip -n "u$n" link set eth0 up
    ip -n "u$n" link set lo up
    ip netns exec "u$n" scripts/sandbox --scratch --init scripts/lib/sandboxed-unit-init.sh \
      scripts/lib/sandboxed-unit-life.sh 2>"$work/daemon-$n.log" &
    units+=($!)
    printf -- '---\nansible_host: %s\nkip_unit_settings:\n  config:Address: "2620020%03d"\n  config:RadioID: %d\n' \
      "$(unit_address "$n")" "$n" $((3000000000 + n)) > "$work/inventory/host_vars/$(printf unit%03d "$n").yml"
  done
  # A query that arrives before the daemon has bound is lost: ask again (a
  # unit that never answers fails the first exchange with it).
  for n in $(seq 1 "$count"); do
    for _ in 1 2 3 4 5; do build/bin/kip-param-client --host "$(unit_address "$n")" query DOR &>/dev/null && break; done
  done
}

# Units N... lose a fifth of the datagrams sent to them and a fifth of their
# replies: requests dropped on the way into the unit, replies on the way into
# the controller (a drop on the way out would fail the send instead). A
# counter per unit and direction, each at a place of its own, not chance: a
# test never fails at random. Before any loss each unit counts its datagrams,
# and those that are no query: a query is 55 bytes that begin as every query
# does.
lose_a_fifth() {
  local n replies=
  for n in "$@"; do
    ip netns exec "u$n" nft -f - <<NFT
table inet loss {
  counter datagrams {}
  counter other {}
  chain input {
    type filter hook input priority 0;
    iifname eth0 udp dport 3180 counter name datagrams
    iifname eth0 udp dport 3180 udp length != 63 counter name other
    iifname eth0 udp dport 3180 @th,64,128 != 0x3c506172616d4d6573736167653e3c51 counter name other
    iifname eth0 udp dport 3180 numgen inc mod 5 == $((n % 5)) drop
  }
}
NFT
    replies+="ip saddr $(unit_address "$n") udp sport 3180 numgen inc mod 5 == $(((n + 2) % 5)) drop; "
  done
  nft -f - <<< "table inet loss { chain input { type filter hook input priority 0; $replies }; }"
}
counted() { ip netns exec "u$1" nft -j list counter inet loss "$2" | jq '.nftables[1].counter.packets'; }
