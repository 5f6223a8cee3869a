"""What kip.param.config decides: read a unit, compare, send only what
differs, and read back.

Functions return Ansible's result mapping; they raise TaskFailed (or NoReply
from the exchange) for a failed task.
"""
from . import documents
from .exchange import NoReply
from .key_table import KEYS
from .values import checked, find_key

# The keys no query shows: only the report on a document reads them.
REPORT_ONLY = ("config:KipEmpInterval", "config:KipDcPowerLimit", "config:KipDisableDutyCycle")


class TaskFailed(Exception):
    def __init__(self, message, **result):
        Exception.__init__(self, message)
        self.result = result


def _read(unit, paths, report=None):
    """Normalised values of `paths`: each query asked once, and the values no
    query shows from `report`, or from the report on a key-less document."""
    values = {}
    for query in ("DOR", "LUN"):
        if any(path.startswith(documents.ROOTS[query] + ":") and path not in REPORT_ONLY for path in paths):
            values.update(unit.query(query))
    if any(path in REPORT_ONLY for path in paths):
        values.update((report or unit.report())["kip_params"])
    return dict((path, values[path]) for path in paths if path in values)


def gathered(unit, unit_values):
    paths = [key["path"] for key in KEYS if key["query"] or key["path"] == documents.NET_LOGGER_PATH]
    if unit_values:
        paths += list(REPORT_ONLY)
    return {"changed": False, "gathered": _read(unit, paths), "tries": unit.tries}


def _wanted(settings):
    """(document text, operator's form) of every setting by its full path,
    in the order the daemon applies keys; refuses the first bad key or
    value."""
    given = {}
    for name, value in settings.items():
        path = find_key(name)["path"]
        if path in given:
            raise TaskFailed("settings name %s twice" % path)
        given[path] = value
    return dict((key["path"], checked(key, given[key["path"]])) for key in KEYS if key["path"] in given)


def _lines(values):
    return "".join("%s: %s\n" % item for item in values.items())


def _differing(wanted, values):
    return [path for path in wanted if values.get(path) != wanted[path][1]]


def _missed(wanted, after):
    return ", ".join("%s (asked %s, reads %s)" % (path, wanted[path][1], after.get(path))
                     for path in _differing(wanted, after))


def merged(unit, settings, check_mode, attempts):
    """Brings the unit to `settings`. A lost reply to the document is decided
    by reading the unit back: the document is sent again only when the
    read-back shows it did not arrive, at most `attempts` times in all.

    Check mode sends queries only, so it leaves out of the comparison the
    keys that only a document's report shows, and warns."""
    wanted = _wanted(settings)
    unread = [path for path in wanted if check_mode and path in REPORT_ONLY]
    for path in unread:
        del wanted[path]
    before = _read(unit, list(wanted))
    differing = _differing(wanted, before)
    asked = dict((path, wanted[path][1]) for path in differing)
    result = {"changed": bool(differing), "before": before, "after": dict(before, **asked), "document": "",
              "report": None, "diff": {"before": _lines(dict((p, before.get(p)) for p in differing)),
                                       "after": _lines(asked)}}
    if unread:
        result["warnings"] = ["check mode sends no document, and only a document's report shows %s: "
                              "not compared" % ", ".join(unread)]
    if not differing or check_mode:
        result["tries"] = unit.tries
        return result
    document = documents.build_document(dict((path, wanted[path][0]) for path in differing))
    result["document"] = document.decode("utf-8")
    for _ in range(attempts):
        report = unit.apply(document, differing) or result["report"]
        result.update(report=report, tries=unit.tries)
        try:
            after = _read(unit, list(wanted), report)
        except NoReply as silence:
            result.update(changed=report is not None, after=None, tries=unit.tries)
            raise TaskFailed("the document was sent and %s; the read-back got none: %s" % (
                "the unit's report shows it took it" if report else "no report came, so whether the unit took "
                "it is unknown", silence), **result)
        result.update(after=after, tries=unit.tries)
        if not _differing(wanted, after):
            return result
        if report is not None:
            raise TaskFailed("the unit did not take " + _missed(wanted, after), **result)
    raise TaskFailed("no reply to the configuration document and the unit reads back %s after %d tries"
                     % (_missed(wanted, after), attempts), **dict(result, changed=False))
