import pytest

from ansible_collections.kip.param.plugins.module_utils import config_task
from ansible_collections.kip.param.plugins.module_utils.exchange import NoReply
from ansible_collections.kip.param.plugins.module_utils.unit import Unit
from ansible_collections.kip.param.plugins.module_utils.values import RefusedValue
from fake_unit import FakeUnit

SETTINGS = {"config:Power": 7, "config:RadioID": 3000000000, "LunConfig:ItpLink:RemotePort": 4001}


def merged(fake, settings=SETTINGS, check_mode=False, attempts=4):
    return config_task.merged(Unit("unit", 3180, 1, 3, fake.send), settings, check_mode, attempts)


def test_gathered_reads_the_queries_and_only_on_request_the_report():
    fake = FakeUnit()
    fake.values["config:RadioID"] = "-1294967296"
    gathered = config_task.gathered(Unit("unit", 3180, 1, 3, fake.send), False)["gathered"]
    assert gathered["config:RadioID"] == "3000000000" and "config:KipEmpInterval" not in gathered
    assert fake.configurations() == []
    with_report = config_task.gathered(Unit("unit", 3180, 1, 3, fake.send), True)["gathered"]
    assert with_report["config:KipDisableDutyCycle"] == "0" and fake.configurations() == [b"<config></config>"]


def test_merged_sends_only_the_differing_keys_and_reads_them_back():
    fake = FakeUnit()
    fake.values["config:Power"] = "7"
    result = merged(fake)
    assert fake.configurations() == [b"<config><RadioID>-1294967296</RadioID></config>"
                                     b"<LunConfig><ItpLink><RemotePort>4001</RemotePort></ItpLink></LunConfig>"]
    assert result["changed"] and result["after"] == {"config:Power": "7", "config:RadioID": "3000000000",
                                                     "LunConfig:ItpLink:RemotePort": "4001"}
    assert result["diff"] == {"before": "config:RadioID: 1\nLunConfig:ItpLink:RemotePort: 0\n",
                              "after": "config:RadioID: 3000000000\nLunConfig:ItpLink:RemotePort: 4001\n"}
    assert result["report"]["lun"] == "SUCCESS" and result["tries"] == 5


def test_nothing_is_sent_without_drift_or_in_check_mode():
    fake = FakeUnit()
    merged(fake)
    again = merged(fake)
    assert not again["changed"] and again["document"] == "" and len(fake.configurations()) == 1
    drifted = FakeUnit()
    checked = merged(drifted, check_mode=True)
    assert checked["changed"] and checked["diff"]["after"] and drifted.configurations() == []


def test_a_refused_value_sends_nothing():
    fake = FakeUnit()
    for settings in ({"config:Power": 256}, {"config:Power": 1, "config:Nothing": 1}):
        with pytest.raises(RefusedValue):
            merged(fake, settings)
    assert fake.received == []


def test_a_value_the_unit_did_not_take_fails_the_task():
    fake = FakeUnit()
    fake.refuses.add("config:RadioID")
    with pytest.raises(config_task.TaskFailed, match=r"config:RadioID \(asked 3000000000, reads 1\)") as failed:
        merged(fake)
    assert len(fake.configurations()) == 1 and failed.value.result["report"]["dor"] == "SUCCESS"


def test_a_lost_reply_is_decided_by_the_read_back():
    arrived = FakeUnit()
    arrived.lose = [None, None, "reply"]  # DOR, LUN, then the document's reply
    assert merged(arrived)["report"] is None and len(arrived.configurations()) == 1
    lost = FakeUnit()
    lost.lose = [None, None, "request"]
    assert merged(lost)["changed"] and len(lost.configurations()) == 1 and lost.values["config:Power"] == "7"
    silent = FakeUnit()
    silent.lose = [None, None] + ["request", None, None] * 2
    with pytest.raises(config_task.TaskFailed, match="no reply to the configuration document"):
        merged(silent, attempts=2)


def test_report_only_keys_read_back_from_the_report():
    fake = FakeUnit()
    result = merged(fake, {"config:KipDisableDutyCycle": 1})
    assert fake.configurations() == [b"<config></config>", b"<config><KipDisableDutyCycle>1</KipDisableDutyCycle></config>"]
    assert result["after"] == {"config:KipDisableDutyCycle": "1"}


def test_a_silent_unit_fails_with_no_reply():
    fake = FakeUnit()
    fake.lose = ["request"] * 4
    with pytest.raises(NoReply, match="no reply"):
        merged(fake)
