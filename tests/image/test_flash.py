"""The store's write on a flash filesystem: UBIFS on UBI on a simulated NAND,
with UBI's power-cut emulation stopping the flash at a random write while
kip-param-store rewrites the store (tests/image/flash_cuts.sh on the unit)."""

import os
import re

from emulated_unit import Unit

CUTS = 200
# The cut comes at one of the first few eraseblock header writes, which the
# sets make whenever the journal moves to a new eraseblock: every round ends
# in a cut, nearly always inside a set.
MOST_WRITES = 3
ROUND = re.compile(r"round (\d+) old (\S+) new (\S+) set (\d+) cut ([01]) now (\S+)")


def test_store_is_whole_after_each_power_cut_on_flash(tmp_path):
    script = os.path.join(os.path.dirname(__file__), "flash_cuts.sh")
    with Unit(str(tmp_path), flash=True, add={"/root/flash_cuts.sh": script}) as unit:
        unit.boot()
        output = unit.shell(f"sh /root/flash_cuts.sh {CUTS} {MOST_WRITES}", seconds=1800)
    rounds = ROUND.findall(output)
    for number, old, new, status, _, now in rounds:
        # A set that succeeded kept its value; one that failed left the old or the new.
        assert now in ((new,) if status == "0" else (old, new)), f"round {number}: {output}"
    assert sum(cut == "1" for *_, cut, _ in rounds) >= CUTS, output
