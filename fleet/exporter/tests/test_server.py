# What the exporter takes from Prometheus and from its operator, where the
# Prometheus test does not show it: each refusal's one line, the program's
# bad options and its stop, and its settings file.
import pathlib
import socket
import subprocess
import sys
import urllib.request

import pytest

from kip_exporter import settings, targets

PROGRAM = pathlib.Path(__file__).resolve().parents[1] / "kip-param-exporter"


def test_only_addresses_in_targets_are_probed_a_refusal_is_one_line_and_a_stop_ends_it_with_0():
    assert targets.target("10.20.3.4:4000", targets.networks(["10.20.0.0/16"])) == ("10.20.3.4", 4000)
    process = subprocess.Popen([sys.executable, PROGRAM, "--targets", "127.0.0.0/30", "--web.listen-address",
                                "127.0.0.1:0"], stderr=subprocess.PIPE, text=True)
    try:
        probe = "http://127.0.0.1:%s/probe?target=" % process.stderr.readline().split("127.0.0.1:")[1].split()[0]
        for target, line in [
                ("127.0.0.9:9", "target 127.0.0.9 is outside --targets"),
                ("a%0A%C3%A9", "target 'a\\n\\xe9' is not an IPv4 address with an optional :PORT"),
                ("127.0.0.1:9&target=127.0.0.2:9", "give exactly one target: /probe?target=ADDR[:PORT]"),
                ("127.0.0.1:%EF%BC%93", "target '127.0.0.1:\\uff13' has no port 1-65535 after its ':'")] + [
                (port, "target '%s' has no port 1-65535 after its ':'" % port)
                for port in ("127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:")]:
            with pytest.raises(urllib.request.HTTPError) as answer:
                urllib.request.urlopen(probe + target, timeout=15)
            assert (answer.value.code, answer.value.read().decode()) == (400, line + "\n")
    finally:
        process.terminate()
    assert process.wait(10) == 0


@pytest.mark.parametrize("arguments, status, message", [
    ([], 2, "the following arguments are required: --targets (see --help)"),
    (["--targets", "10.0.0.1/8"], 2, "--targets 10.0.0.1/8: 10.0.0.1/8 has host bits set"),
    (["--targets", "10.0.0.0/8", "--web.listen-address", "9718"], 2, "--web.listen-address 9718 is not HOST:PORT"),
    (["--targets", "10.0.0.0/8", "--settings", "/"], 2, "cannot read /: [Errno 21] Is a directory: '/'"),
    (["--targets", "10.0.0.0/8", "--web.listen-address", "127.0.0.1:%d"], 1,
     "cannot listen on 127.0.0.1:%d: Address already in use")])
def test_bad_options_end_with_one_line_and_their_status(arguments, status, message):
    with socket.socket() as taken:
        taken.bind(("127.0.0.1", 0))
        port = str(taken.getsockname()[1])
        ended = subprocess.run([sys.executable, PROGRAM] + [argument.replace("%d", port) for argument in arguments],
                               capture_output=True, text=True, timeout=10)
    assert (ended.returncode, ended.stderr) == (status, "kip-param-exporter: %s\n" % message.replace("%d", port))


# Settings in the operator's form, short keys too, keys no query shows set apart (which
# unit's settings count is the Prometheus test's); a bad file is one line
# naming what is wrong.
@pytest.mark.parametrize("text, found", [
    ("{kip_fleet_settings: {KipEmpInterval: 3}, kip_unit_settings: {10.0.0.5: {Address: abcdef0123}}}",
     ({"config:Address": "ABCDEF0123"}, ["config:KipEmpInterval"])),
    ("kip_fleet_settings: {config:Power: 256}\n", "kip_fleet_settings: config:Power: 256 is out of range 0-255"),
    ("kip_unit_settings: {10.0.0.1: {Powr: 1}}\n", "kip_unit_settings: 10.0.0.1: no key 'Powr'"),
    ("kip_fleet_settings: [config:Power]\n", "kip_fleet_settings is not a mapping"),
    ("kip_fleet_settings: {a: [\n", "cannot read")])
def test_settings_load_as_the_operator_gives_them_or_fail_in_one_line(tmp_path, text, found):
    (tmp_path / "settings.yml").write_text(text)
    try:
        loaded = settings.load(str(tmp_path / "settings.yml"))
        assert (loaded.wanted("10.0.0.5"), loaded.unwatched) == found
    except ValueError as error:
        assert found in str(error) and "\n" not in str(error)
