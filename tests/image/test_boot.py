"""The daemon on the unit's own kernel and init: started by the SysV link at
boot, and a REBOOT that really restarts the unit."""

import hashlib

import pytest

from emulated_unit import Unit

# Values whose bytes all differ, so that one read in the wrong byte order
# shows, of each encoding: key, store id, value, its bytes as the unit stores them.
WIDE_VALUES = [
    ("TxFreq", 136, "4000000000", "ee6b2800"),
    ("EmpKeepAliveInterval", 157, "65279", "feff"),
    ("ItpRemoteIP", 142, "10.1.2.3", "0a010203"),
]


@pytest.fixture
def unit(tmp_path):
    with Unit(str(tmp_path)) as unit:
        unit.boot()
        yield unit


def test_daemon_started_at_boot_serves_its_status_files(unit):
    for query in ("DOR", "LUN"):
        on_unit = unit.shell(f"sha256sum /var/log/{query.lower()}.xml").split()[0]
        assert hashlib.sha256(unit.client("query", query).stdout).hexdigest() == on_unit, query


def test_client_reads_big_endian_store_values(unit):
    assert unit.client("set", *[word for key, _, value, _ in WIDE_VALUES for word in (key, value)]).returncode == 0
    # What the daemon answers now it loaded from the store at its start.
    unit.shell("/etc/init.d/app-kip-param restart")
    unit.wait_answering()
    for key, store_id, value, stored in WIDE_VALUES:
        assert unit.client("get", key).stdout.decode().strip() == value, key
        assert unit.shell(f"kip-param-store get --hex {store_id}").strip() == stored, key


def test_reboot_goes_through_runlevel_6_and_keeps_the_settings(unit):
    assert unit.client("set", "Power", "7").returncode == 0
    before = len(unit.console)
    assert unit.client("query", "REBOOT", "--yes").stdout == b"System will reboot.\n"
    # Runlevel 6 stops the daemon, then the kernel starts again.
    unit.wait_for(r"Stopping app-kip-param: app-kip-param\..*Linux version", before)
    unit.wait_answering()
    assert unit.client("get", "Power").stdout == b"7\n"
    # The daemon's log is on the disk: the entry of the boot before.
    assert "Caught SIGTERM signal.  Terminating" in unit.shell("cat /var/log/app-kip-param.log")
