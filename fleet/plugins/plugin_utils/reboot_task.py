"""What kip.param.reboot decides.

Only a new daemon proves a restart: silence proves nothing, since a unit's
shutdown may take any time and loss looks the same. The report's Response
count counts the requests since the daemon started, and within one daemon
each request's count is above every count it answered before; so a count
not above the highest seen, the one read before REBOOT included, comes from
a daemon started since, however many other hosts talk to the unit.

After handling REBOOT the daemon answers nothing for three seconds (a
two-second pause, then its one-second poll), and it handles datagrams in the
order they came. So while key-less documents follow REBOOT on the same
socket, two answers before any reply to REBOOT prove REBOOT never arrived:
one within those three seconds, or one whose count is the very next after
the count before REBOOT (the daemon took nothing between them, REBOOT
included), however late it comes. Only then is REBOOT sent again; anything
else may mean the unit acted on it, and a second REBOOT would restart it
twice.
"""
import time

from .config_task import TaskFailed
from .exchange import NoReply

SILENT_SECONDS = 3.0
# The queue holds three short datagrams: a second REBOOT waits until the
# daemon has worked through the questions that followed the first.
QUEUE_SECONDS = 3.0


def probe_seconds(since_reboot):
    """Twice as often as the daemon answers while its answers can prove
    REBOOT lost, so that each of its polls finds one; then as often, so as
    not to fill its receive queue, which drops what comes then."""
    return 0.5 if since_reboot < SILENT_SECONDS else 1.0


def outcome(events, before):
    """('back', its count), ('lost', None) or (None, None) while waiting,
    for the events (seconds, kind, count) seen after one REBOOT."""
    highest, replied = before, False
    for seconds, kind, count in events:
        if kind == "reboot":
            replied = True
        elif count <= highest:
            return "back", count
        elif not replied and (seconds < SILENT_SECONDS or count == before + 1):
            return "lost", None
        else:
            highest = count
    return None, None


def reboot(unit, reboot_timeout, check_mode, attempts):
    if check_mode:
        return {"changed": True, "tries": 0}
    start = time.monotonic()
    result = {"changed": False, "reboots_sent": 0, "replied": False, "count_before": None, "count_after": None}

    def observed(**changes):
        result.update(changes, elapsed=round(time.monotonic() - start, 1), tries=unit.tries)
        return result

    try:
        before = unit.report()["responses"]
    except NoReply as silence:
        raise TaskFailed("%s; REBOOT not sent" % silence, **observed())
    result["count_before"] = highest = before
    for sent in range(1, attempts + 1):
        left = max(reboot_timeout - (time.monotonic() - start), 1.0)
        events = unit.watch_reboot(lambda seen: outcome(seen, highest)[0] is not None, probe_seconds, left)
        state, after = outcome(events, highest)
        if state != "lost" or sent == attempts:
            break
        # The old daemon counted on meanwhile: a new one must answer below that.
        highest = max([highest] + [count for _, kind, count in events if kind == "count"])
        time.sleep(QUEUE_SECONDS)
    replied = any(kind == "reboot" for _, kind, _ in events)
    if state == "back":
        return observed(changed=True, reboots_sent=sent, replied=replied, count_after=after)
    if state == "lost":
        raise TaskFailed("REBOOT did not arrive in %d tries: the unit kept answering and did not restart" % sent,
                         **observed(reboots_sent=sent))
    counts = [(seconds, count) for seconds, kind, count in events if kind == "count"]
    seen = "the old daemon answered last %.1f s after REBOOT, count %d" % counts[-1] if counts else "no answer"
    raise TaskFailed("no new daemon answered within reboot_timeout (%g s): %s; %s" % (
        reboot_timeout, seen, "it replied to REBOOT" if replied else "it may have acted on REBOOT"),
        **observed(changed=replied, reboots_sent=sent, replied=replied))
