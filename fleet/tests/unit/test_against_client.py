"""What the collection holds a second time in Python, against the C++ client:
the key table, and the document `set` sends for the same keys."""
import os
import socket
import subprocess
import sys

import pytest

from ansible_collections.kip.param.plugins.module_utils import documents
from ansible_collections.kip.param.plugins.module_utils.values import checked, find_key
from conftest import COLLECTION, REPOSITORY

CLIENT = os.environ.get("KIP_PARAM_CLIENT", os.path.join(REPOSITORY, "build", "bin", "kip-param-client"))


def test_the_key_table_is_the_catalogues():
    generator = os.path.join(COLLECTION, "tools", "generate_key_table.py")
    generated = subprocess.run([sys.executable, generator, CLIENT], check=True, capture_output=True, text=True).stdout
    with open(os.path.join(COLLECTION, "plugins", "module_utils", "key_table.py")) as committed:
        assert committed.read() == generated, "run fleet/tools/generate_key_table.py > fleet/plugins/module_utils/key_table.py"


def sent_by_client(*pairs):
    """The datagram `kip-param-client set` sends for KEY VALUE pairs."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as daemon:
        daemon.bind(("127.0.0.1", 0))
        daemon.settimeout(5)
        client = subprocess.Popen([CLIENT, "--port", str(daemon.getsockname()[1]), "--timeout", "0.2", "set"] +
                                  list(pairs), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        datagram = daemon.recv(2048)
        client.wait()
        return datagram


@pytest.mark.parametrize("pairs", [
    ("config:Power", "7"),
    ("LunConfig:ItpLink:RemotePort", "4001", "config:RadioID", "3000000000", "LunConfig:LogLevel", "4",
     "LunConfig:ItpLink:RemoteAddress", "10.0.0.9", "config:InstallType", "<", "config:Address", "abcdef0123"),
    ("config:KipDisableDutyCycle", "1", "LunConfig:ItpLink:LocalPort", "007", "config:InstallType", "&"),
])
def test_documents_are_the_clients(pairs):
    texts = dict((path, checked(find_key(path), value)[0]) for path, value in zip(pairs[::2], pairs[1::2]))
    assert documents.build_document(texts) == sent_by_client(*pairs)
