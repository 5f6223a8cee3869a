# The exporter as Prometheus and its operator meet it: the program over HTTP.
import os
import pathlib
import socket
import subprocess
import sys
import time
import urllib.error
import urllib.request

import pytest

from kip_exporter.server import probe_seconds

PROGRAM = pathlib.Path(__file__).resolve().parents[1] / "kip-param-exporter"


def free_port():
    with socket.socket() as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]


def get(port, path):
    try:
        with urllib.request.urlopen("http://127.0.0.1:%d%s" % (port, path), timeout=15) as answer:
            return answer.status, answer.read().decode()
    except urllib.error.HTTPError as error:
        return error.code, error.read().decode()


@pytest.fixture
def exporter():
    port = free_port()
    process = subprocess.Popen([sys.executable, PROGRAM, "--web.listen-address", "127.0.0.1:%d" % port,
                                "--targets", "127.0.0.0/30"], stderr=subprocess.PIPE)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port)).close()
            break
        except OSError:
            time.sleep(0.05)
    yield port
    process.terminate()
    assert process.wait(5) == 0


# The prometheus test shows that a refused probe sends nothing.
def test_a_probe_asks_the_unit_a_refused_one_is_one_line_and_metrics_count_both(exporter, unit):
    status, text = get(exporter, "/probe?target=127.0.0.1:%d" % unit.port)
    assert status == 200 and "kip_probe_success 1.0\n" in text and len(unit.received) == 2
    assert get(exporter, "/probe?target=127.0.0.4") == (400, "target 127.0.0.4 is outside --targets\n")
    assert get(exporter, "/probe?target=a%0A%C3%A9") == \
        (400, "target 'a\\n\\xe9' is not an IPv4 address with an optional :PORT\n")
    assert get(exporter, "/probe?target=127.0.0.1&target=127.0.0.2") == \
        (400, "give exactly one target: /probe?target=ADDR[:PORT]\n")
    metrics = get(exporter, "/metrics")[1]
    assert "kip_exporter_probes_total 1.0\n" in metrics and "kip_exporter_refused_targets_total 3.0\n" in metrics


@pytest.mark.parametrize("header, seconds", [(None, 9.5), ("4", 3.5), ("0.3", 9.5), ("nan", 9.5), ("x", 9.5)])
def test_a_probe_takes_the_scrape_time_less_half_a_second(header, seconds):
    assert probe_seconds(header) == seconds


@pytest.mark.parametrize("arguments, status, message", [
    ([], 2, "kip-param-exporter: the following arguments are required: --targets (see --help)\n"),
    (["--targets", "10.0.0.1/8"], 2, "kip-param-exporter: --targets 10.0.0.1/8: 10.0.0.1/8 has host bits set\n"),
    (["--targets", "10.0.0.0/8", "--web.listen-address", "9718"], 2,
     "kip-param-exporter: --web.listen-address 9718 is not HOST:PORT\n"),
    (["--targets", "10.0.0.0/8", "--settings", "/nonexistent"], 2, "kip-param-exporter: cannot read /nonexistent: "
     "[Errno 2] No such file or directory: '/nonexistent'\n"),
    (["--targets", "10.0.0.0/8", "--web.listen-address", "127.0.0.1:%d"], 1,
     "kip-param-exporter: cannot listen on 127.0.0.1:%d: Address already in use\n"),
])
def test_bad_options_end_with_one_line_and_their_status(arguments, status, message):
    with socket.socket() as taken:
        taken.bind(("127.0.0.1", 0))
        taken.listen()
        port = taken.getsockname()[1]
        arguments = [argument.replace("%d", str(port)) for argument in arguments]
        ended = subprocess.run([sys.executable, PROGRAM] + arguments, capture_output=True, text=True, timeout=10,
                               env=dict(os.environ, PYTHONDONTWRITEBYTECODE="1"))
    assert (ended.returncode, ended.stderr) == (status, message.replace("%d", str(port)))
