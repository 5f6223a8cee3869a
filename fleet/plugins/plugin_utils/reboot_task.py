"""What kip.param.reboot decides.

After handling REBOOT the daemon answers nothing for three seconds (a two
second pause, then its one-second poll), and it handles datagrams in the
order they came. So while DOR probes follow REBOOT on the same socket once a
second: a DOR answer within those three seconds, before any reply to
REBOOT, proves REBOOT never arrived, and only then is it sent again; a late
resend on a merely lost reply would restart the unit twice. The unit is back
at the first DOR answer after the silence.
"""
from .config_task import TaskFailed

SILENT_SECONDS = 3.0
PROBE_SECONDS = 1.0


def outcome(events):
    """'lost', 'back' or None (still waiting) for the replies seen so far."""
    replied = any(kind == "reboot" for _, kind in events)
    for seconds, kind in events:
        if kind != "document":
            continue
        if seconds >= SILENT_SECONDS:
            return "back"
        if not replied:
            return "lost"
    return None


def reboot(unit, reboot_timeout, check_mode, attempts):
    if check_mode:
        return {"changed": True, "tries": 0}
    for sent in range(1, attempts + 1):
        events = unit.watch_reboot(lambda seen: outcome(seen) is not None, PROBE_SECONDS, reboot_timeout)
        if outcome(events) != "lost":
            break
    result = {"changed": True, "reboots_sent": sent, "replied": any(kind == "reboot" for _, kind in events),
              "tries": unit.tries}
    if outcome(events) == "back":
        return dict(result, elapsed=round(events[-1][0], 1))
    if outcome(events) == "lost":
        raise TaskFailed("REBOOT did not arrive in %d tries: the unit kept answering and did not restart" % sent,
                         **dict(result, changed=False))
    raise TaskFailed("no reply from the unit within reboot_timeout (%s s) after REBOOT" % reboot_timeout, **result)
