"""The power goes while documents change the unit's settings: the emulator is
killed right after a random write to its disk, and the unit boots again from
the disk as that write left it."""

import random
import time

from unit import Unit, allowed, store_values

ROUNDS = 50
# Parameters of every width, in both roots: key, store id, the value of
# document number N (no two documents send the same value).
PARAMETERS = [
    ("Power", 138, lambda n: str(n % 250 + 1)),
    ("RadioID", 135, lambda n: str(1000000 + 7919 * n)),
    ("StfpLocalPort", 139, lambda n: str(10000 + n)),
    ("WiuLocalPort", 154, lambda n: str(20000 + n)),
]


def test_store_keeps_a_reported_or_later_value_across_power_cuts(tmp_path):
    unit = Unit(str(tmp_path))
    random.seed()
    reported, sent_after, documents = None, [], 0
    try:
        for round_number in range(ROUNDS):
            unit.boot()
            unit.wait_answering()
            log = unit.shell("cat /var/log/app-kip-param.log")
            assert "get_parms failed" not in log and "GetKipParams" not in log, f"round {round_number}:\n{log}"
            stored = store_values(unit)
            now = {store_id: stored[store_id] for _, store_id, _ in PARAMETERS}
            if reported is not None:
                for store_id, value in now.items():
                    assert allowed(value, reported[store_id], [sent[store_id] for sent in sent_after]), \
                        f"round {round_number}: id {store_id} holds {value}, reported {reported[store_id]}, " \
                        f"sent after it {sent_after}"
            reported, sent_after = now, []

            # The power goes right after a random one of the disk writes of the
            # next two documents (about 30 each: the store, once a key, and the
            # status files).
            unit.cut_power_after_writes(random.randint(1, 60))
            while unit.process.poll() is None:
                documents += 1
                values = {store_id: value(documents) for _, store_id, value in PARAMETERS}
                sent_after.append(values)
                words = [word for key, store_id, _ in PARAMETERS for word in (key, values[store_id])]
                # A short wait: a document that got no report is only one sent after.
                if unit.client("set", *words, timeout=3).returncode == 0:
                    reported, sent_after = values, []
            time.sleep(0.1)
    finally:
        unit.power_off()
