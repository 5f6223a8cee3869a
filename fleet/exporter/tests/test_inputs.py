# What the exporter accepts from Prometheus and from its operator.
import pytest

from kip_exporter import settings
from kip_exporter.server import probe_seconds
from kip_exporter.targets import Refused, networks, target


def answer(text):
    try:
        return target(text, networks(["10.20.0.0/16"]))
    except Refused as refusal:
        return str(refusal)


@pytest.mark.parametrize("text, expected", [
    ("10.20.3.4:4000", ("10.20.3.4", 4000)),
    ("unit1.example.org", "target 'unit1.example.org' is not an IPv4 address with an optional :PORT")] +
    [(text, "target '%s' has no port 1-65535 after its ':'" % text)
     for text in ("10.20.3.4:0", "10.20.3.4:65536", "10.20.3.4:", "10.20.3.4:３")])
def test_a_target_is_an_address_and_a_port(text, expected):
    assert answer(text) == expected


# The probe takes Prometheus's scrape time-out less half a second, 10 s when the header is no use.
@pytest.mark.parametrize("header, seconds", [(None, 9.5), ("4", 3.5), ("0.3", 9.5), ("nan", 9.5), ("x", 9.5)])
def test_a_probe_takes_the_scrape_time_less_half_a_second(header, seconds):
    assert probe_seconds(header) == seconds


def load(tmp_path, text):
    (tmp_path / "settings.yml").write_text(text)
    return settings.load(str(tmp_path / "settings.yml"))


def test_a_unit_s_own_settings_come_before_the_fleet_s_in_the_operator_s_form(tmp_path):
    loaded = load(tmp_path, "kip_fleet_settings: {config:Power: 7, config:KipEmpInterval: 3}\n"
                            "kip_unit_settings:\n  10.20.0.5: {config:Power: 9, config:Address: abcdef0123}\n")
    assert (loaded.wanted("10.20.0.5"), loaded.unwatched) == \
        ({"config:Power": "9", "config:Address": "ABCDEF0123"}, ["config:KipEmpInterval"])


@pytest.mark.parametrize("text, message", [
    ("kip_fleet_settings: {config:Power: 256}\n", "kip_fleet_settings: config:Power: 256 is out of range 0-255"),
    ("kip_unit_settings: {10.0.0.1: {Powr: 1}}\n", "kip_unit_settings: 10.0.0.1: no key 'Powr'"),
    ("kip_fleet_settings: [config:Power]\n", "kip_fleet_settings is not a mapping"),
    ("kip_fleet_settings: {a: [\n", "cannot read")])
def test_bad_settings_are_one_line_naming_what_is_wrong(tmp_path, text, message):
    with pytest.raises(ValueError) as error:
        load(tmp_path, text)
    assert message in str(error.value) and "\n" not in str(error.value)
