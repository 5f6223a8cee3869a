"""The store's write on a flash filesystem: UBIFS on UBI on a simulated NAND,
with UBI's power-cut emulation stopping the flash at a random write while
kip-param-store rewrites the store (tests/image/flash_cuts.sh on the unit)."""

import os
import re

from unit import Unit, allowed, overlay

CUTS = 200
# The cut comes at one of the first few eraseblock header writes, which the
# sets make whenever the journal moves to a new eraseblock: every round ends
# in a cut, nearly always inside a set.
MOST_WRITES = 3
ROUND = re.compile(r"round (\d+) old (\S+) new (\S+) set (\d+) cut ([01]) now (\S+)")


def test_store_is_whole_after_each_power_cut_on_flash(tmp_path):
    work = str(tmp_path)
    script = os.path.join(os.path.dirname(__file__), "flash_cuts.sh")
    unit = Unit(work, flash=True, add=overlay(work, {"/root/flash_cuts.sh": script}))
    unit.boot()
    try:
        unit.wait_answering()
        output = unit.shell(f"sh /root/flash_cuts.sh {CUTS} {MOST_WRITES}", seconds=1800)
    finally:
        unit.power_off()
    rounds = ROUND.findall(output)
    assert rounds, output
    for number, old, new, status, _, now in rounds:
        reported = new if status == "0" else old
        assert allowed(now, reported, [] if status == "0" else [new]), f"round {number}: {output}"
    assert sum(cut == "1" for *_, cut, _ in rounds) >= CUTS, output
