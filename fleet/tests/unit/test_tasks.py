# What the tasks decide when datagrams are lost, against units in memory.
import pytest

from ansible_collections.kip.param.plugins.plugin_utils.config_task import merged
from ansible_collections.kip.param.plugins.plugin_utils.reboot_task import reboot
from ansible_collections.kip.param.plugins.plugin_utils.unit import Unit


class LossyUnit(object):
    # Holds Power 1 and answers every query. Of each configuration document
    # in turn, `lost` names what is lost: the request (Power stays 1), the
    # reply, or None; one document more raises IndexError.
    tries, power = 0, "1"

    def __init__(self, *lost):
        self.lost = list(lost)

    def query(self, query):
        return {"config:Power": self.power}

    def apply(self, document, paths):
        self.power = "1" if self.lost[0] == "request" else "7"
        return None if self.lost.pop(0) else {"kip_params": {}}


# A document whose reply was lost arrived: the read-back shows it, and it is
# not sent again. One whose request was lost is.
@pytest.mark.parametrize("lost", [["reply"], ["request", "reply"]])
def test_a_document_is_sent_again_only_when_the_read_back_shows_it_did_not_arrive(lost):
    unit = LossyUnit(*lost)
    assert merged(unit, {"config:Power": 7}, False, 2)["after"] == {"config:Power": "7"} and unit.lost == []


def test_nothing_is_sent_in_check_mode_or_without_drift():
    assert merged(LossyUnit(), {"config:Power": 7}, True, 2)["changed"]
    assert not merged(LossyUnit(), {"config:Power": 1}, False, 2)["changed"]
    assert reboot(Unit("unit", 3180, 1, 3, listen=None), 30, True, 2) == {"changed": True, "tries": 0}


# Each watch sees (seconds after REBOOT, "reboot" for its reply or "document"
# for a DOR answer). A DOR answer within REBOOT's silence proves REBOOT never
# arrived: it is sent again. A later one means its reply was lost: sent
# again, it would restart the unit twice.
@pytest.mark.parametrize("watches, sent", [([[(1.4, "document")], [(3.5, "document")]], 2), ([[(3.2, "document")]], 1)])
def test_reboot_is_sent_again_only_when_it_provably_did_not_arrive(watches, sent):
    unit = Unit("unit", 3180, 1, 3, listen=lambda *request: (watches[0], 1 + len(watches.pop(0))))
    assert reboot(unit, 30, False, 2)["reboots_sent"] == sent
