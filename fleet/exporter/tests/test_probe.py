# What a probe shows of a unit, against a unit on loopback.
import pytest
from prometheus_client import generate_latest

from kip_exporter.probe import Probe, _retries_within
from conftest import FakeUnit


def samples(probe):
    return dict(((family.name, tuple(sorted(sample.labels.items()))), sample.value)
                for family in probe.collect() for sample in family.samples)


def test_values_read_as_get_prints_them_and_drift_against_the_settings(unit):
    wanted = {"config:RadioID": "3000000000", "config:Power": "7", "LunConfig:ItpLink:RemotePort": "4001",
              "config:Address": "ABCDEF0123"}
    probe = Probe("127.0.0.1", unit.port, 5, wanted)
    assert probe.run()
    found = samples(probe)
    assert found[("kip_probe_success", ())] == 1 and found[("kip_probe_retries", ())] == 0
    assert found[("kip_param_value", (("key", "config:RadioID"),))] == 3000000000
    assert found[("kip_param_value", (("key", "LunConfig:ItpLink:RemotePort"),))] == 4001
    for key, text in (("config:Address", "ABCDEF0123"), ("config:InstallType", "\\x01"),
                      ("config:NetLoggerIP", "127.0.0.1"), ("LunConfig:ItpLink:RemoteAddress", "10.20.0.9")):
        assert found[("kip_param_info", (("key", key), ("value", text)))] == 1
    assert [labels for (name, labels), value in found.items() if name == "kip_param_drift" and value] == \
        [(("key", "config:Power"),)]
    assert found[("kip_param_drift_keys", ())] == 1
    assert len([name for name, _ in found if name == "kip_param_value"]) == 18
    assert unit.received == [b"<ParamMessage><QueryType>DOR</QueryType></ParamMessage>",
                             b"<ParamMessage><QueryType>LUN</QueryType></ParamMessage>"]
    # Prometheus reads the NUL-free text form.
    assert b'kip_param_info{key="config:InstallType",value="\\\\x01"} 1.0' in generate_latest(probe)


# A lost query or reply is asked again within the time Prometheus gives; a
# unit that stays silent fails the probe within it, showing no values.
@pytest.mark.parametrize("drop, seconds, success, retries, sent", [
    ([True], 9.5, 1, 1, 3),
    ([False, True], 9.5, 1, 1, 3),
    ([True] * 9, 9.5, 0, 5, 6),
    ([True] * 9, 4.6, 0, 2, 3),
    ([True] * 9, 1.0, 0, 0, 1),
])
def test_lost_datagrams_are_asked_again_within_the_scrape_time(drop, seconds, success, retries, sent):
    unit = FakeUnit(drop)
    probe = Probe("127.0.0.1", unit.port, seconds, {"config:Power": "0"})
    assert probe.run() == bool(success)
    found = samples(probe)
    assert (found[("kip_probe_success", ())], found[("kip_probe_retries", ())], len(unit.received)) == \
        (success, retries, sent)
    assert found[("kip_probe_duration_seconds", ())] <= seconds + 0.2
    assert success or set(name for name, _ in found) == {"kip_probe_success", "kip_probe_duration_seconds",
                                                        "kip_probe_retries"}


@pytest.mark.parametrize("wait, left, retries", [(1.5, 2.9, 0), (1.5, 3.0, 1), (1.5, 4.4, 1), (1.5, 9.5, 5)])
def test_further_tries_all_end_in_time(wait, left, retries):
    assert _retries_within(wait, left) == retries
