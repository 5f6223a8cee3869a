"""A unit's daemon in memory, reached through the exchange the tasks use:
it writes its documents and reports as the daemon does, applies documents,
and loses the datagrams a test tells it to."""
import re

from ansible_collections.kip.param.plugins.module_utils.exchange import NoReply
from ansible_collections.kip.param.plugins.module_utils.key_table import KEYS

FACTORY = {"config:Address": "2620010001", "config:RadioID": "1", "config:Power": "0", "config:InstallType": "A",
           "config:ItpRemoteIP": "127.0.0.1", "config:NetLoggerIP": "127.0.0.1", "config:KipEmpInterval": "0",
           "config:KipDcPowerLimit": "0", "config:KipDisableDutyCycle": "0", "LunConfig:LunAddress": "2620010003",
           "LunConfig:ItpLink:RemoteAddress": "127.0.0.1"}


def document(root, values):
    """The DOR (root config) or LUN (root LunConfig) document of `values`."""
    lines = {"": [], "ItpLink": []}
    for key in KEYS:
        parts = key["path"].split(":")
        if key["query"] and parts[0] == root:
            lines["ItpLink" if len(parts) == 3 else ""].append((parts[-1], values.get(key["path"], "0")))
    lines[""].insert(1, ("LogConfig", "net:itp_addr=2620010001;local_port=34000;remote_addr=%s;remote_port=52000"
                         % values["config:NetLoggerIP"]))
    text = '<?xml version="1.0" encoding="UTF-8"?>\r\n<%s xmlns="0">\n' % root
    text += "".join("<%s>%s</%s>\r\n" % (name, value, name) for name, value in lines[""])
    if root == "LunConfig":
        text += "<ItpLink>\n" + "".join("<%s>%s</%s>\r\n" % (n, v, n) for n, v in lines["ItpLink"]) + "</ItpLink>\n"
    return (text + "</%s>\n" % root).encode("latin-1")


def report(values, dor, lun, count):
    text = "Updates applied to DOR:%s\nUpdates applied to LUN:%s\nResponse count:%d\n\nKipParams:\n" % (dor, lun, count)
    text += "".join("%s:%s\n" % (path, values[path]) for path in
                    ("config:KipEmpInterval", "config:KipDcPowerLimit", "config:KipDisableDutyCycle"))
    return (text + "  actual:DcWindowSize:24\n  actual:DcTransmitLimit:7\n").encode()


class FakeUnit(object):
    def __init__(self):
        self.values = dict(FACTORY)
        self.received = []      # every datagram that reached the unit
        self.lose = []          # per datagram sent: "request", "reply" or None
        self.refuses = set()    # keys whose values the unit does not take

    def send(self, host, port, request, fits, timeout, retries):
        for tries in range(1, retries + 2):
            loss = self.lose.pop(0) if self.lose else None
            if loss == "request":
                continue
            reply = self._answer(request)
            if loss is None and fits(reply):
                return reply, tries
        raise NoReply("no reply from %s:%d" % (host, port), retries + 1)

    def configurations(self):
        return [datagram for datagram in self.received if b"QueryType" not in datagram]

    def _answer(self, request):
        self.received.append(request)
        query = re.search(rb"<QueryType>(\w+)</QueryType>", request)
        if query:
            return {b"DOR": document("config", self.values), b"LUN": document("LunConfig", self.values),
                    b"REBOOT": b"System will reboot.\n"}[query.group(1)]
        text = request.decode()
        for root in ("config", "LunConfig"):
            body = re.search(r"<%s>(.*)</%s>" % (root, root), text)
            for name, value in re.findall(r"<(\w+)>([^<]*)</\1>", body.group(1) if body else ""):
                link = root == "LunConfig" and name in ("LocalPort", "RemoteAddress", "RemotePort")
                path = root + (":ItpLink:" if link else ":") + name
                if path not in self.refuses:
                    self.values[path] = value.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&")
        return report(self.values, "SUCCESS" if "<config>" in text else "NA",
                      "SUCCESS" if "<LunConfig>" in text else "NA", len(self.received))
