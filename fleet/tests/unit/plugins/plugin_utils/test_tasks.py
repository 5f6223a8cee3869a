# What the tasks decide when datagrams are lost, against units in memory.
import pytest

from plugin_utils.config_task import TaskFailed, merged
from plugin_utils.documents import REBOOT_REPLY
from plugin_utils.exchange import NoReply
from plugin_utils.reboot_task import reboot
from plugin_utils.unit import Unit


def outcome(task, *arguments):  # the task's result, and its failure's message or ""
    try:
        return task(*arguments), ""
    except TaskFailed as failed:
        return failed.result, str(failed)


class LossyUnit(object):
    # Holds Power 1 and answers every query. Of each configuration document
    # in turn, `lost` names what is lost: the request (Power stays 1), the
    # reply, every read-back after it, both, or None; one document more
    # raises IndexError. It has no report(): a key-less document would
    # raise AttributeError.
    tries, power, silent = 0, "1", False

    def __init__(self, *lost):
        self.lost = list(lost)

    def query(self, query):
        if self.silent:
            raise NoReply("no reply", 4)
        return {"config:Power": self.power}

    def apply(self, document, paths):
        self.power = "1" if self.lost[0] == "request" else "7"
        self.silent = self.lost[0] in ("read-back", "reply and read-back")
        return None if self.lost.pop(0) in ("request", "reply", "reply and read-back") else {"kip_params": {}}


# A document whose reply was lost arrived: the read-back shows it, and it is
# not sent again. One whose request was lost is. One whose read-back is lost
# fails, saying it was sent, and changed when its report came.
@pytest.mark.parametrize("lost, changed, failure", [
    (["reply"], True, ""), (["request", "reply"], True, ""),
    (["reply and read-back"], False, "the document was sent and no report came, so whether the unit took it is unknown"),
    (["read-back"], True, "the document was sent and the unit's report shows it took it; the read-back got none")])
def test_a_sent_document_is_decided_by_its_report_or_the_read_back(lost, changed, failure):
    unit = LossyUnit(*lost)
    result, message = outcome(merged, unit, {"config:Power": 7}, False, 2)
    assert (result["changed"], message[:len(failure)], unit.lost) == (changed, failure, [])
    assert result["document"] and result["before"] == {"config:Power": "1"}


def test_nothing_is_sent_in_check_mode_or_without_drift():
    # KipDcPowerLimit shows only in a document's report: check mode leaves it out.
    assert "KipDcPowerLimit" in merged(LossyUnit(), {"config:KipDcPowerLimit": 2}, True, 2)["warnings"][0]
    assert not merged(LossyUnit(), {"config:Power": 1}, False, 2)["changed"]
    assert reboot(Unit("unit", 3180, 1, 3, listen=None), 30, True, 2) == {"changed": True, "tries": 0}


def report(count):
    return (b"Updates applied to DOR:NA\nUpdates applied to LUN:NA\nResponse count:%d\n\nKipParams:\n"
            b"config:KipEmpInterval:0\nconfig:KipDcPowerLimit:0\nconfig:KipDisableDutyCycle:0\n"
            b"  actual:DcWindowSize:48\n  actual:DcTransmitLimit:48\n" % count)


# Each watch sees (seconds after REBOOT, kind, reply); the unit counted 10
# before REBOOT. Only a count not above the highest seen proves a new daemon,
# whatever other hosts add meanwhile; silence proves nothing. An answer
# within REBOOT's silence, or one that counted nothing since 10, proves
# REBOOT never arrived: it is sent again, and only then.
@pytest.mark.parametrize("watches, sent, after", [
    # The old daemon counted to 40 before REBOOT was sent again: 30 is a new one.
    ([[(1.4, "count", report(40))], [(0.1, "reboot", REBOOT_REPLY), (21.0, "count", report(30))]], 2, 30),
    # REBOOT and the questions in its silence lost: the first answer, late, is the count after 10.
    ([[(3.6, "count", report(11))], [(20.0, "count", report(2))]], 2, 2),
    # Others talk meanwhile: the new daemon has answered 30 by the time it answers us.
    ([[(3.3, "count", report(44)), (25.0, "count", report(30))]], 1, 30),
    # REBOOT's reply and the answers in its silence lost: no resend, no success without a new daemon.
    ([[(3.2, "count", report(13)), (4.2, "count", report(14))]], 1, None)])
def test_a_reboot_succeeds_only_on_a_new_daemons_count(watches, sent, after):
    unit = Unit("unit", 3180, 1, 3, send=lambda *request: (report(10), 1), listen=lambda *watch: (watches.pop(0), 1))
    result, message = outcome(reboot, unit, 30, False, 3)
    assert (result["changed"], result["count_after"], result["reboots_sent"], result["count_before"], watches,
            "no new daemon answered" in message) == (after is not None, after, sent, 10, [], after is None)

