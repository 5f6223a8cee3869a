# What the collection holds a second time in Python, against the C++ client:
# the key table, the document `set` sends, and the values `set` refuses.
import socket
import subprocess
import sys

import pytest

from conftest import CLIENT, COLLECTION
from plugin_utils import config_task, documents, values
from plugin_utils.unit import Unit


def test_the_key_table_is_the_catalogues():
    generated = subprocess.run([sys.executable, COLLECTION / "tools/generate_key_table.py", CLIENT],
                               check=True, capture_output=True, text=True).stdout
    assert (COLLECTION / "plugins/plugin_utils/key_table.py").read_text() == generated, "regenerate key_table.py"


def client_set(*pairs):  # its exit status, and the datagram it sent unless it refused
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as daemon:
        daemon.bind(("127.0.0.1", 0))
        daemon.settimeout(5)
        status = subprocess.run([CLIENT, "--port", str(daemon.getsockname()[1]), "--timeout", "0.1", "set"] +
                                [str(item) for item in pairs], capture_output=True).returncode
        return status, (daemon.recv(2048) if status != 2 else None)


def test_documents_are_the_clients():
    # Keys by full path or by a last part only one key has, as the client takes them.
    words = ("Power 007 RemotePort 4001 config:RadioID 3000000000 LunConfig:LogLevel 4 "
             "config:KipDisableDutyCycle 1 LunConfig:ItpLink:RemoteAddress 10.0.0.9 config:InstallType < "
             "config:Address abcdef0123").split()
    texts = dict((values.find_key(name)["path"], values.checked(values.find_key(name), value)[0])
                 for name, value in zip(words[::2], words[1::2]))
    assert client_set(*words) == (1, documents.build_document(texts))


# Refused before anything is sent, as the client refuses them, and what YAML
# or a second name for a key hides from the client: a unit with no exchange,
# where sending would raise TypeError.
@pytest.mark.parametrize("path, value, client, refusal", [(path, value, 2, path) for path, value in [
    ("config:Power", "256"), ("config:Power", " 1"), ("config:Power", "0x10"), ("config:Power", True),
    ("config:RadioID", 4294967296), ("config:ItpRemoteIP", "10.0.0.01"), ("config:ItpRemoteIP", "255.255.255.255"),
    ("config:Address", "ABCDEF012G"), ("config:InstallType", "AB"), ("config:InstallType", "\t"), ("Nothing", "1"),
    ("LogLevel", "1")]] + [("config:Address", 2620010101, 1, "YAML read the address as the number 2620010101: quote it"),
                           ("Power", 5, 1, "settings name config:Power twice")])
def test_values_are_refused_before_anything_is_sent(path, value, client, refusal):
    assert client_set(path, value)[0] == client
    with pytest.raises((values.RefusedValue, config_task.TaskFailed), match=refusal):
        config_task.merged(Unit("unit", 3180, 1, 3, send=None), {"config:Power": 7, path: value}, False, 1)
