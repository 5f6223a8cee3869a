"""Command line of kip-param-exporter; exit status 0 on SIGTERM or SIGINT,
1 when it cannot listen, 2 on a bad argument or settings file, each with a
one-line message."""
import argparse
import signal
import sys

from . import settings as settings_file
from .server import Handler, Server
from .targets import networks

DEFAULT_LISTEN = ":9718"


class _Parser(argparse.ArgumentParser):
    def error(self, message):
        self.exit(2, "kip-param-exporter: %s (see --help)\n" % message)


def _parser():
    parser = _Parser(prog="kip-param-exporter", description=(
        "Prometheus exporter for radio units: /probe?target=ADDR[:PORT] asks a unit's configuration "
        "daemon for its DOR and LUN documents, with queries only."))
    parser.add_argument("--web.listen-address", dest="listen", default=DEFAULT_LISTEN, metavar="HOST:PORT",
                        help="where to serve /probe and /metrics (default %s: every address)" % DEFAULT_LISTEN)
    parser.add_argument("--targets", action="append", required=True, metavar="NETWORK",
                        help="a network (10.20.0.0/16) whose units may be probed; repeat for more")
    parser.add_argument("--settings", metavar="FILE",
                        help="YAML with kip_fleet_settings and kip_unit_settings by address: adds drift gauges")
    return parser


def _listen_address(text):
    host, colon, port = text.rpartition(":")
    if not colon or not (port.isascii() and port.isdigit() and int(port) < 65536):
        raise ValueError("--web.listen-address %s is not HOST:PORT" % text)
    return host.strip("[]"), int(port)


def _stop(signum, frame):
    raise KeyboardInterrupt


def main(argv):
    options = _parser().parse_args(argv)
    try:
        Handler.allowed = networks(options.targets)
        listen = _listen_address(options.listen)
        Handler.settings = settings_file.load(options.settings) if options.settings else None
    except ValueError as error:
        print("kip-param-exporter: %s" % error, file=sys.stderr)
        return 2
    if Handler.settings and Handler.settings.unwatched:
        print("kip-param-exporter: no query shows %s: drift leaves them out"
              % ", ".join(Handler.settings.unwatched), file=sys.stderr)
    try:
        server = Server(listen, Handler)
    except OSError as error:
        print("kip-param-exporter: cannot listen on %s: %s" % (options.listen, error.strerror), file=sys.stderr)
        return 1
    # A stop may come at any moment from here on: the handler's exception
    # must always land inside the try.
    try:
        signal.signal(signal.SIGTERM, _stop)
        print("kip-param-exporter: listening on %s:%d for units in %s"
              % (server.server_address[0], server.server_address[1], ", ".join(options.targets)), file=sys.stderr)
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    server.server_close()
    return 0
