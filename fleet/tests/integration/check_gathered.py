"""Checks what gather.yml returned for each unit (the tree callback's files)
against the settings the inventory gives it, and, given --get, against what
`kip-param-client get` prints for every key a query shows.

    check_gathered.py INVENTORY TREE [--get]
"""
import glob
import json
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import yaml

REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
CLIENT = os.path.join(REPOSITORY, "build", "bin", "kip-param-client")
sys.path.insert(0, os.environ["ANSIBLE_COLLECTIONS_PATH"])
from ansible_collections.kip.param.plugins.module_utils.values import checked, find_key  # noqa: E402


def load(path):
    with open(path) as text:
        return yaml.safe_load(text)


def client_get(host, paths):
    return dict((path, subprocess.run([CLIENT, "--host", host, "get", path], check=True, capture_output=True,
                                      text=True).stdout.rstrip("\n")) for path in paths)


def main(inventory, tree, with_get):
    fleet = load(os.path.join(inventory, "group_vars", "units.yml"))["kip_fleet_settings"]
    units = sorted(os.path.basename(path)[:-4] for path in glob.glob(os.path.join(inventory, "host_vars", "*.yml")))
    failures = []
    gathered = {}
    for unit in units:
        identity = load(os.path.join(inventory, "host_vars", unit + ".yml"))
        with open(os.path.join(tree, unit)) as result:
            gathered[unit] = json.load(result)["gathered"]
        for path, value in dict(fleet, **identity["kip_unit_settings"]).items():
            if gathered[unit].get(path) != checked(find_key(path), value)[1]:
                failures.append("%s: %s is %s, set %s" % (unit, path, gathered[unit].get(path), value))
    if with_get:
        hosts = dict((unit, load(os.path.join(inventory, "host_vars", unit + ".yml"))["ansible_host"]) for unit in units)
        paths = [key["path"] for key in json.loads(subprocess.run([CLIENT, "keys", "--json"], check=True,
                                                                  capture_output=True, text=True).stdout) if key["query"]]
        with ThreadPoolExecutor(len(units)) as pool:
            printed = dict(zip(units, pool.map(lambda unit: client_get(hosts[unit], paths), units)))
        for unit in units:
            failures += ["%s: %s gathered %s, get prints %s" % (unit, path, gathered[unit].get(path), printed[unit][path])
                         for path in paths if gathered[unit].get(path) != printed[unit][path]]
    for failure in failures:
        print("fleet-test: " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], "--get" in sys.argv[3:]))
