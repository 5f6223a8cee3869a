"""What kip.param.reboot decides.

REBOOT is sent once and never again: a late resend would restart the unit a
second time. The unit has restarted once it has been seen silent and then
answers a DOR query again. Silent means a probe went unanswered, or its
answer took longer than the daemon's one-second cadence allows: that is how
a restart shows when the unit comes back between two probes.
"""
import time

from ansible_collections.kip.param.plugins.module_utils.config_task import TaskFailed

PROBE_SECONDS = 5.0
SILENT_SECONDS = 1.5


def reboot(unit, reboot_timeout, check_mode, clock=time.monotonic):
    if check_mode:
        return {"changed": True, "tries": 0}
    start = clock()
    replied = unit.reboot()
    silent = False
    while clock() - start < reboot_timeout:
        sent = clock()
        answered = unit.answers(min(PROBE_SECONDS, max(reboot_timeout - (sent - start), 0.1)))
        silent = silent or not answered or clock() - sent > SILENT_SECONDS
        if answered and silent:
            return {"changed": True, "replied": replied, "elapsed": round(clock() - start, 1), "tries": unit.tries}
    if silent:
        raise TaskFailed("no reply from the unit within reboot_timeout (%s s) after REBOOT" % reboot_timeout,
                         changed=True, replied=replied, tries=unit.tries)
    raise TaskFailed("the unit kept answering for reboot_timeout (%s s) after REBOOT (%s): it did not restart"
                     % (reboot_timeout, "it replied" if replied else "no reply to it"),
                     changed=replied, replied=replied, tries=unit.tries)
