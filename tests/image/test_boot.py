"""The daemon on the unit's own kernel and init: started by the SysV link at
boot, and a REBOOT that really restarts the unit."""

import hashlib

import pytest

# Multi-byte values whose bytes differ, so that a value read in the wrong
# byte order shows: key, store id, value, its bytes as the unit stores them.
WIDE_VALUES = [
    ("RadioID", 135, "305419896", "12345678"),
    ("TxFreq", 136, "4000000000", "ee6b2800"),
    ("StfpLocalPort", 139, "4660", "1234"),
    ("ItpRemoteIP", 142, "10.1.2.3", None),
    ("EmpKeepAliveInterval", 157, "65279", "feff"),
]


@pytest.mark.parametrize("query, path", [("DOR", "/var/log/dor.xml"), ("LUN", "/var/log/lun.xml")])
def test_daemon_started_at_boot_serves_its_status_files(unit, query, path):
    reply = unit.client("query", query)
    assert reply.returncode == 0, reply.stderr
    on_unit = unit.shell(f"sha256sum {path}").split()[0]
    assert hashlib.sha256(reply.stdout).hexdigest() == on_unit


def test_client_reads_big_endian_store_values(unit):
    words = [word for key, _, value, _ in WIDE_VALUES for word in (key, value)]
    assert unit.client("set", *words).returncode == 0
    # What the daemon answers now it loaded from the store at its start.
    unit.shell("/etc/init.d/app-kip-param restart")
    unit.wait_answering()
    for key, store_id, value, stored in WIDE_VALUES:
        assert unit.client("get", key).stdout.decode().strip() == value, key
        if stored:
            assert unit.shell(f"kip-param-store get --hex {store_id}").strip() == stored, key


def test_reboot_goes_through_runlevel_6_and_keeps_the_settings(unit):
    assert unit.client("set", "Power", "7").returncode == 0
    before = len(unit.console)
    reply = unit.client("query", "REBOOT", "--yes")
    assert reply.stdout == b"System will reboot.\n"
    stopped = unit.wait_for("Stopping app-kip-param: app-kip-param.", before)
    restarted = unit.wait_for("Linux version", stopped)
    unit.wait_for("Starting app-kip-param: app-kip-param.", restarted)
    unit.wait_answering()
    assert unit.client("get", "Power").stdout == b"7\n"
    # The daemon's log is on the disk: the entry of the boot before.
    assert "Caught SIGTERM signal.  Terminating" in unit.shell("cat /var/log/app-kip-param.log")
