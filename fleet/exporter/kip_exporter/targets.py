"""Which targets a probe may ask: an exporter that would send to any address
it is given is a way to send datagrams anywhere, so only literal IPv4
addresses inside the networks it was told are probed."""
import ipaddress

DAEMON_PORT = 3180


class Refused(ValueError):
    """A target the exporter will not probe; the message is the HTTP answer."""


def networks(texts):
    """The --targets networks; raises ValueError naming a bad one."""
    found = []
    for text in texts:
        try:
            found.append(ipaddress.IPv4Network(text))
        except ValueError as error:
            raise ValueError("--targets %s: %s" % (text, error))
    return found


def target(text, allowed):
    """(host, port) of `ADDR[:PORT]` when ADDR lies inside `allowed`."""
    host, colon, port = text.partition(":")
    try:
        address = ipaddress.IPv4Address(host)
    except ValueError:
        raise Refused("target '%s' is not an IPv4 address with an optional :PORT" % text)
    if colon and not (port.isascii() and port.isdigit() and 0 < int(port) < 65536):
        raise Refused("target '%s' has no port 1-65535 after its ':'" % text)
    if not any(address in network for network in allowed):
        raise Refused("target %s is outside --targets" % host)
    return str(address), int(port) if port else DAEMON_PORT
