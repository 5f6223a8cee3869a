# shellcheck shell=bash
# Sourced inside `scripts/sandbox --net --scratch` by the fleet's integration
# test and benchmark, from the repository's top: puts units on one bridge,
# each a daemon with its own address and store in a network namespace (and
# mount namespace) of its own, whose /sbin/init shuts it down in 5 s and
# boots it in 15 (slow_init.sh), and writes an Ansible inventory for them
# from the example's group_vars.
#   start_fleet WORK COUNT   installs the collection from its tarball into
#                            WORK/collections (the sandbox has no other
#                            network: the install is offline), starts the
#                            units, and sets units (the PIDs of their lives,
#                            unit_life.sh)
#   unit_file N PATH         PATH as unit N sees it

fleet_dir=fleet/tests/integration/targets/fleet
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
    ip netns exec "u$n" scripts/sandbox --scratch --init $fleet_dir/slow_init.sh $fleet_dir/unit_life.sh \
      2>"$work/daemon-$n.log" &
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
