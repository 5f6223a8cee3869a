import itertools

import pytest

from ansible_collections.kip.param.plugins.module_utils.config_task import TaskFailed
from ansible_collections.kip.param.plugins.module_utils.reboot_task import reboot
from ansible_collections.kip.param.plugins.module_utils.unit import Unit
from fake_unit import FakeUnit


def run(fake, check_mode=False, step=1):
    ticks = itertools.count(step=step)  # time passes at every look at the clock
    return reboot(Unit("unit", 3180, 1, 3, fake.send), 30, check_mode, clock=lambda: next(ticks))


def reboots(fake):
    return fake.received.count(b"<ParamMessage><QueryType>REBOOT</QueryType></ParamMessage>")


def test_check_mode_sends_nothing():
    fake = FakeUnit()
    assert run(fake, check_mode=True)["changed"] and fake.received == []


def test_reboot_is_sent_once_even_when_its_reply_is_lost():
    fake = FakeUnit()
    fake.lose = ["reply", "request", "request"]
    result = run(fake)
    assert result["changed"] and not result["replied"] and reboots(fake) == 1


def test_a_unit_that_never_goes_silent_did_not_restart():
    fake = FakeUnit()
    fake.lose = ["request"]  # REBOOT lost: the unit answers every probe at once
    with pytest.raises(TaskFailed, match="did not restart"):
        run(fake, step=0.1)
    assert reboots(fake) == 0
