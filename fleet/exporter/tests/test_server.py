# The exporter as Prometheus and its operator meet it, where the Prometheus
# test does not: a refusal's one line, and the program's bad options.
import pathlib
import socket
import subprocess
import sys
import threading
import urllib.error
import urllib.request

import pytest

from kip_exporter.server import Handler, Server
from kip_exporter.targets import networks

PROGRAM = pathlib.Path(__file__).resolve().parents[1] / "kip-param-exporter"


@pytest.mark.parametrize("query, line", [
    ("target=a%0A%C3%A9", b"target 'a\\n\\xe9' is not an IPv4 address with an optional :PORT\n"),
    ("target=127.0.0.1&target=127.0.0.2", b"give exactly one target: /probe?target=ADDR[:PORT]\n")])
def test_a_refused_probe_is_one_line(query, line):
    Handler.allowed = networks(["127.0.0.0/30"])
    with Server(("127.0.0.1", 0), Handler) as server:
        threading.Thread(target=server.serve_forever, daemon=True).start()
        with pytest.raises(urllib.error.HTTPError) as answer:
            urllib.request.urlopen("http://127.0.0.1:%d/probe?%s" % (server.server_address[1], query), timeout=15)
        server.shutdown()
    assert (answer.value.code, answer.value.read()) == (400, line)


@pytest.mark.parametrize("arguments, status, message", [
    ([], 2, "the following arguments are required: --targets (see --help)"),
    (["--targets", "10.0.0.1/8"], 2, "--targets 10.0.0.1/8: 10.0.0.1/8 has host bits set"),
    (["--targets", "10.0.0.0/8", "--web.listen-address", "9718"], 2, "--web.listen-address 9718 is not HOST:PORT"),
    (["--targets", "10.0.0.0/8", "--settings", "/nonexistent"], 2,
     "cannot read /nonexistent: [Errno 2] No such file or directory: '/nonexistent'"),
    (["--targets", "10.0.0.0/8", "--web.listen-address", "127.0.0.1:%d"], 1,
     "cannot listen on 127.0.0.1:%d: Address already in use")])
def test_bad_options_end_with_one_line_and_their_status(arguments, status, message):
    with socket.socket() as taken:
        taken.bind(("127.0.0.1", 0))
        port = str(taken.getsockname()[1])
        ended = subprocess.run([sys.executable, PROGRAM] + [argument.replace("%d", port) for argument in arguments],
                               capture_output=True, text=True, timeout=10)
    assert (ended.returncode, ended.stderr) == (status, "kip-param-exporter: %s\n" % message.replace("%d", port))


def test_a_stop_signal_ends_it_with_status_0():
    process = subprocess.Popen([sys.executable, PROGRAM, "--targets", "10.0.0.0/8", "--web.listen-address",
                                "127.0.0.1:0"], stderr=subprocess.PIPE, text=True)
    port = process.stderr.readline().split("127.0.0.1:")[1].split()[0]
    urllib.request.urlopen("http://127.0.0.1:%s/" % port, timeout=15).close()  # it serves: stop it now
    process.terminate()
    assert process.wait(10) == 0
