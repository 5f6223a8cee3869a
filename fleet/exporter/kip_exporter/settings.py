"""The intended settings that drift is measured against, in the shape the
collection's inventory gives them: `kip_fleet_settings` for every unit (a
group_vars file serves as it is) and `kip_unit_settings` by target address,
each unit's own taking precedence."""
import yaml

from plugin_utils.key_table import KEYS
from plugin_utils.values import checked, find_key

# A query shows these keys; the others are read from a configuration
# document's report, which a probe never sends.
QUERIED = frozenset(key["path"] for key in KEYS if key["query"]) | {"config:NetLoggerIP"}


class Settings(object):
    def __init__(self, fleet=None, units=None, unwatched=()):
        self.fleet = fleet or {}
        self.units = units or {}
        self.unwatched = sorted(set(unwatched))

    def wanted(self, host):
        """Path -> the operator's form of each value the unit should hold."""
        return dict(self.fleet, **self.units.get(host, {}))


def _mapping(value, where):
    if not isinstance(value, dict):
        raise ValueError("%s is not a mapping" % where)
    return value


def load(path):
    """The settings of a YAML file, each value checked as the collection
    checks it; raises ValueError with a one-line reason."""
    try:
        with open(path, encoding="utf-8") as stream:
            data = _mapping(yaml.safe_load(stream) or {}, path)
    except (OSError, UnicodeError, yaml.YAMLError) as error:
        raise ValueError("cannot read %s: %s" % (path, " ".join(str(error).split())))
    unwatched = []

    def checked_all(mapping, where):
        wanted = {}
        for name, value in _mapping(mapping or {}, where).items():
            try:
                key = find_key(str(name))
                form = checked(key, value)[1]
            except ValueError as error:
                raise ValueError("%s: %s" % (where, error))
            # Compared, and named, by the full path, whichever form was given.
            if key["path"] in QUERIED:
                wanted[key["path"]] = form
            else:
                unwatched.append(key["path"])
        return wanted

    units = _mapping(data.get("kip_unit_settings") or {}, "kip_unit_settings")
    return Settings(checked_all(data.get("kip_fleet_settings"), "kip_fleet_settings"),
                    dict((str(host), checked_all(mapping, "kip_unit_settings: %s" % host))
                         for host, mapping in units.items()), unwatched)
