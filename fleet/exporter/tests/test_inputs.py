# What the exporter accepts from Prometheus and from its operator.
import pytest

from kip_exporter import settings
from kip_exporter.targets import Refused, networks, target

ALLOWED = networks(["10.20.0.0/16", "192.168.7.8/32"])


@pytest.mark.parametrize("text, answer", [
    ("10.20.3.4", ("10.20.3.4", 3180)),
    ("10.20.3.4:4000", ("10.20.3.4", 4000)),
    ("192.168.7.8", ("192.168.7.8", 3180)),
    ("10.21.0.1", "target 10.21.0.1 is outside --targets"),
    ("192.168.7.9", "target 192.168.7.9 is outside --targets"),
    ("unit1.example.org", "target 'unit1.example.org' is not an IPv4 address with an optional :PORT"),
    ("10.20.3.4:0", "target '10.20.3.4:0' has no port 1-65535 after its ':'"),
    ("10.20.3.4:65536", "target '10.20.3.4:65536' has no port 1-65535 after its ':'"),
    ("10.20.3.4:", "target '10.20.3.4:' has no port 1-65535 after its ':'"),
    ("10.20.3.4:３", "target '10.20.3.4:３' has no port 1-65535 after its ':'"),
])
def test_only_addresses_inside_the_networks_are_probed(text, answer):
    if isinstance(answer, tuple):
        assert target(text, ALLOWED) == answer
    else:
        with pytest.raises(Refused) as refusal:
            target(text, ALLOWED)
        assert str(refusal.value) == answer


def load(tmp_path, text):
    path = tmp_path / "settings.yml"
    path.write_text(text)
    return settings.load(str(path))


def test_a_unit_s_own_settings_come_before_the_fleet_s_in_the_operator_s_form(tmp_path):
    loaded = load(tmp_path, "ansible_connection: local\n"
                            "kip_fleet_settings: {config:Power: 7, config:TxFreq: 3000000000, config:KipEmpInterval: 3}\n"
                            "kip_unit_settings:\n  10.20.0.5: {config:Power: 9, config:Address: abcdef0123}\n")
    assert loaded.wanted("10.20.0.5") == {"config:Power": "9", "config:TxFreq": "3000000000",
                                          "config:Address": "ABCDEF0123"}
    assert loaded.wanted("10.20.0.6") == {"config:Power": "7", "config:TxFreq": "3000000000"}
    assert loaded.unwatched == ["config:KipEmpInterval"]


@pytest.mark.parametrize("text, message", [
    ("kip_fleet_settings: {config:Power: 256}\n", "kip_fleet_settings: config:Power: 256 is out of range 0-255"),
    ("kip_unit_settings: {10.0.0.1: {Powr: 1}}\n", "kip_unit_settings: 10.0.0.1: no key 'Powr'"),
    ("kip_fleet_settings: [config:Power]\n", "kip_fleet_settings is not a mapping"),
    ("kip_fleet_settings: {a: [\n", "cannot read"),
])
def test_bad_settings_are_one_line_naming_what_is_wrong(tmp_path, text, message):
    with pytest.raises(ValueError) as error:
        load(tmp_path, text)
    assert message in str(error.value) and "\n" not in str(error.value)
