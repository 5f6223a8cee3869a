"""The power goes while documents change the unit's settings: the emulator is
killed right after a random write to its disk, and the unit boots again from
the disk as that write left it."""

import random

from emulated_unit import Unit

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
    # The last document whose report arrived and those sent after it: each
    # parameter must hold the value of one of them.
    possible, documents = None, 0
    with Unit(str(tmp_path)) as unit:
        for round_number in range(ROUNDS):
            unit.boot()
            log = unit.shell("cat /var/log/app-kip-param.log")
            assert "get_parms failed" not in log and "GetKipParams" not in log, f"round {round_number}:\n{log}"
            held = {store_id: unit.shell(f"kip-param-store get {store_id}").strip() for _, store_id, _ in PARAMETERS}
            if possible:
                for store_id, value in held.items():
                    assert value in [sent[store_id] for sent in possible], \
                        f"round {round_number}: id {store_id} holds {value}, possible {possible}"
            possible = [held]

            # The power goes right after a random one of the disk writes of the
            # next two documents (about 30 each: the store, once a key, and the
            # status files).
            unit.cut_power_after_writes(random.randint(1, 60))
            while unit.process.poll() is None:
                documents += 1
                values = {store_id: value(documents) for _, store_id, value in PARAMETERS}
                possible.append(values)
                # A short wait: a document that got no report is only one sent after.
                if unit.client("set", *[word for key, store_id, _ in PARAMETERS for word in (key, values[store_id])],
                               timeout=3).returncode == 0:
                    possible = [values]
