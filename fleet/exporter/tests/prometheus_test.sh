#!/usr/bin/env bash
# shellcheck disable=SC2154  # units: start_fleet sets it, where ansible-test's copy cannot follow
# The alert rules under promtool's tests; then the exporter as its package
# installs it, under Debian's Prometheus server with the shipped scrape job
# and alert rules, against five sandboxed daemons on one bridge, a fifth of
# the datagrams lost each way: unit 4 stopped, unit 3 drifted from its
# settings, unit 5 outside --targets. Prometheus's HTTP API must show which
# unit answers and which drifted, and the rules' alerts pending where they
# belong; each unit's nft counters show that no probe sent anything but a
# query, and nothing at all to unit 5.
#   fleet/exporter/tests/prometheus_test.sh
set -euo pipefail
cd "$(dirname "$0")/../../.."
if [ "${1:-}" != --inside ]; then
  scripts/lib/need-packages exporter-test prometheus python3-prometheus-client python3-yaml ansible-core nftables iproute2 jq curl
  # The rules' own tests: when each alert fires, from given series.
  promtool test rules fleet/exporter/tests/rules_test.yml
  # The exporter, its job and rules as its package installs them.
  rm -rf build/exporter-test && mkdir -p build/exporter-test
  dpkg-deb -x "$(fleet/exporter/package/build-deb build/exporter-test)" build/exporter-test/installed
  exec scripts/sandbox --net --scratch "$0" --inside
fi
examples=build/exporter-test/installed/usr/share/doc/kip-param-exporter/examples

# shellcheck source=scripts/lib/sandboxed-fleet.sh
source scripts/lib/sandboxed-fleet.sh
work=/var/lib/exporter-test  # the sandbox's own tmpfs
fail() { echo "exporter-test: $*" >&2; exit 1; }
start_fleet "$work" 5
lose_a_fifth 1 2 3 4 5
kill "${units[3]}"  # unit 4

# Unit 3 should have a cluster of two; the factory default is one.
echo "{kip_fleet_settings: {config:LogLevel: 3, config:ClusterSize: 1, LunConfig:LogLevel: 3}, kip_unit_settings:
  {$(unit_address 1): {config:Address: '2620010001'}, $(unit_address 3): {config:ClusterSize: 2}}}" > "$work/settings.yml"
build/exporter-test/installed/usr/bin/kip-param-exporter --web.listen-address 127.0.0.1:9718 --settings "$work/settings.yml" \
  --targets "$(unit_address 0)/30" --targets "$(unit_address 4)/32" 2> "$work/exporter.log" &

# The shipped job and rules as they are, on this sandbox's paths and with
# intervals short enough for a test.
echo "- targets: [$(unit_address 1), $(unit_address 2), $(unit_address 3), $(unit_address 4)]" > "$work/units.yml"
sed -e "1i global: {scrape_interval: 10s, evaluation_interval: 5s}" -e '/scrape_interval:/d' \
  -e "s|/etc/prometheus/kip-param-exporter.rules.yml|$PWD/$examples/kip-param-exporter.rules.yml|" \
  -e "s|/etc/prometheus/kip-units.yml|$work/units.yml|" "$examples/prometheus-scrape-job.yml" > "$work/prometheus.yml"
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
  --web.listen-address=127.0.0.1:9090 2> "$work/prometheus.log" &
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT  # the units, the exporter and Prometheus

query() {  # PROMQL: "instance value" lines, sorted
  curl -sf http://127.0.0.1:9090/api/v1/query --data-urlencode "query=$1" |
    jq -r '.data.result[] | "\(.metric.instance) \(.value[1])"' | sort
}
expect() {  # PROMQL EXPECTED
  [ "$(query "$1")" = "$2" ] || fail "$1 is $(query "$1" | paste -sd,), not $(paste -sd, <<< "$2")"
}

# Six probes of each unit: Prometheus spreads the four over its interval.
until [ "$(query 'count_over_time(kip_probe_success[5m]) >= 6' | wc -l)" -eq 4 ]; do
  [ $SECONDS -lt 300 ] || fail "Prometheus has not scraped every unit six times: $(tail -3 "$work/prometheus.log")"
  sleep 1
done
# Unit 5 lies outside --targets: refused, and nothing sent.
curl -s "http://127.0.0.1:9718/probe?target=$(unit_address 5)" > /dev/null
curl -sf http://127.0.0.1:9718/metrics | grep -qx 'kip_exporter_refused_targets_total 1.0' || fail "unit 5 not refused"
[ "$(counted 5 datagrams)" = 0 ] || fail "unit 5, outside --targets, got $(counted 5 datagrams) datagrams"
for n in 1 2 3 4; do
  [[ $(counted $n datagrams) -ge 6 && $(counted $n other) = 0 ]] ||
    fail "unit $n got $(counted $n datagrams) datagrams, $(counted $n other) of them no query"
done
# A lost probe leaves a live unit at 0 for one scrape: judge over a window.
expect 'max_over_time(kip_probe_success[5m])' "$(printf '10.77.1.1 1\n10.77.1.2 1\n10.77.1.3 1\n10.77.1.4 0')"
expect 'max_over_time(kip_param_drift_keys[5m])' "$(printf '10.77.1.1 0\n10.77.1.2 0\n10.77.1.3 1')"
expect 'max_over_time(kip_param_drift{key="config:ClusterSize"}[5m]) == 1' '10.77.1.3 1'
expect 'count by (instance) (max_over_time(kip_param_value[5m]))' "$(printf '10.77.1.%d 18\n' 1 2 3)"
expect 'max_over_time(kip_param_info{key="config:Address", value="2620010001"}[5m])' "$(printf '10.77.1.1 1\n10.77.1.2 1\n10.77.1.3 1')"
expect 'label_join(ALERTS, "instance", " ", "alertname", "instance", "alertstate")' \
  "$(printf 'KipUnitDrifted 10.77.1.3 pending 1\nKipUnitNotAnswering 10.77.1.4 pending 1')"
