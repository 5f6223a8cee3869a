import pytest

from ansible_collections.kip.param.plugins.module_utils.config_task import TaskFailed
from ansible_collections.kip.param.plugins.module_utils.reboot_task import outcome, reboot
from ansible_collections.kip.param.plugins.module_utils.unit import Unit


@pytest.mark.parametrize("events, expected", [
    ([], None),
    ([(0.9, "reboot")], None),
    ([(0.9, "reboot"), (3.9, "document")], "back"),
    ([(3.2, "document")], "back"),                       # the reply was lost
    ([(1.4, "document")], "lost"),                       # answered before REBOOT's silence
    ([(0.5, "reboot"), (1.4, "document"), (4.0, "document")], "back"),
])
def test_replies_decide_whether_reboot_arrived(events, expected):
    assert outcome(events) == expected


def run(*watches):
    """reboot() against a unit whose successive watches see `watches`."""
    seen = list(watches)

    def listen(host, port, first, probe, kinds, finished, interval, limit):
        events = seen.pop(0)
        assert first.endswith(b"<QueryType>REBOOT</QueryType></ParamMessage>") and finished(events) == (
            outcome(events) is not None)
        return events, 1 + len(events)
    return reboot(Unit("unit", 3180, 1, 3, listen=listen), 30, False, 2), seen


def test_reboot_is_sent_again_only_when_it_provably_did_not_arrive():
    result, _ = run([(0.2, "document")], [(3.5, "document")])
    assert result["reboots_sent"] == 2 and not result["replied"] and result["elapsed"] == 3.5
    result, unused = run([(0.8, "reboot"), (3.8, "document")], [(3.5, "document")])
    assert result["reboots_sent"] == 1 and len(unused) == 1


@pytest.mark.parametrize("watches, message", [
    ([[(0.2, "document")], [(1.2, "document")]], "REBOOT did not arrive in 2 tries"),
    ([[(0.8, "reboot")]], "no reply from the unit within reboot_timeout"),
])
def test_a_unit_that_did_not_come_back_fails(watches, message):
    with pytest.raises(TaskFailed, match=message):
        run(*watches)


def test_check_mode_sends_nothing():
    assert reboot(Unit("unit", 3180, 1, 3, listen=None), 30, True, 2) == {"changed": True, "tries": 0}
