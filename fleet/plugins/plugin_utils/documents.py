"""The daemon's datagrams: queries, its two documents, configuration
documents and the report that answers them.

Texts travel as bytes; they are handled here as Latin-1 so that every byte,
a NUL in a character key included, stays one character.
"""
import re

from .key_table import KEYS
from .values import normalised

MOST_SENT = 1500
ROOTS = {"DOR": "config", "LUN": "LunConfig"}
NET_LOGGER_PATH = "config:NetLoggerIP"
REPORT_KEYS = ("config:KipEmpInterval", "config:KipDcPowerLimit", "config:KipDisableDutyCycle",
               "actual:DcWindowSize", "actual:DcTransmitLimit")
REBOOT_REPLY = b"System will reboot.\n"
# A document with no key and no root the daemon reads: it changes nothing
# and rewrites no status file, and its report shows the request count and
# the values no query shows.
KEYLESS_DOCUMENT = b"<KeylessRequest/>"

_REPORT = re.compile(
    r"Updates applied to DOR:(SUCCESS|FAIL|NA)\n"
    r"Updates applied to LUN:(SUCCESS|FAIL|NA)\n"
    r"Response count:([0-9]+)\n\nKipParams:\n" +
    # The derived values stand indented under the keys they come from.
    "".join(r"%s%s:([0-9]+)\n" % ("  " if name.startswith("actual:") else "", re.escape(name))
            for name in REPORT_KEYS) + r"\Z")
# The network logger's address shows only inside the LogConfig texts.
_NET_LOGGER = re.compile(r";remote_addr=([^;<]*);")


class BadReply(ValueError):
    """A reply that does not have the shape its request asks for."""


def query_message(query):
    return ("<ParamMessage><QueryType>%s</QueryType></ParamMessage>" % query).encode("ascii")


def is_document(query, reply):
    """Whether `reply` is the document `query` (DOR or LUN) asks for."""
    root = ("\n<%s xmlns=\"0\">\n" % ROOTS[query]).encode("ascii")
    return reply.startswith(b"<?xml ") and root in reply and reply.endswith(("</%s>\n" % ROOTS[query]).encode())


def is_report(reply):
    return reply.startswith(b"Updates applied to DOR:")


def _element(name, text):
    # A character key may hold any byte, '<' and line ends included, so the
    # value is whatever stands between the tags up to the line end.
    found = re.search(r"<%s>(.*?)</%s>\r\n" % (name, name), text, re.S)
    return found.group(1) if found else None


def _sections(key, document):
    """The part of `document` that holds `key`'s element, and its name."""
    parts = key["path"].split(":")
    link = re.search(r"<ItpLink>\n.*?</ItpLink>\n", document, re.S)
    if len(parts) == 3:
        return (link.group(0) if link else ""), parts[2]
    return (document[:link.start()] + document[link.end():] if link else document), parts[1]


def read_document(query, reply):
    """Normalised values of every key the document of `query` shows, and of
    the network logger's address from its LogConfig text (DOR only)."""
    if not is_document(query, reply):
        raise BadReply("the unit's reply to %s is not its %s document" % (query, query))
    document = reply.decode("latin-1")
    values = {}
    for key in KEYS:
        if key["query"] != query:
            continue
        section, name = _sections(key, document)
        text = _element(name, section)
        if text is None:
            raise BadReply("the unit's %s document holds no %s" % (query, key["path"]))
        values[key["path"]] = normalised(key, text)
    if query == "DOR":
        log_config = _element("LogConfig", document) or ""
        found = _NET_LOGGER.search(log_config)
        if found:
            values[NET_LOGGER_PATH] = found.group(1)
    return values


def _escaped(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def build_document(texts):
    """The smallest document that sets these keys (path -> document text, in
    the order given): each root once, the link's keys inside one ItpLink
    element."""
    document = ""
    for root in ("config", "LunConfig"):
        direct = link = ""
        for path, text in texts.items():
            if not path.startswith(root + ":"):
                continue
            name = path.rsplit(":", 1)[1]
            element = "<%s>%s</%s>" % (name, _escaped(text), name)
            if ":ItpLink:" in path:
                link += element
            else:
                direct += element
        if link:
            direct += "<ItpLink>%s</ItpLink>" % link
        if direct:
            document += "<%s>%s</%s>" % (root, direct, root)
    sent = document.encode("utf-8")
    if len(sent) > MOST_SENT:
        raise ValueError("the document is %d bytes, more than one datagram (%d)" % (len(sent), MOST_SENT))
    return sent


def read_report(reply):
    """The report's fields: dor and lun (SUCCESS, FAIL or NA), responses,
    and the KipParams values by key path."""
    found = _REPORT.match(reply.decode("latin-1"))
    if not found:
        raise BadReply("the unit's reply is not a report")
    fields = found.groups()
    return {"dor": fields[0], "lun": fields[1], "responses": int(fields[2]),
            "kip_params": dict(zip(REPORT_KEYS, fields[3:]))}
