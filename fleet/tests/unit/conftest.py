# Makes the collection's protocol and task code importable as plugin_utils
# from its folder in the repository, as the exporter imports it.
import os
import pathlib
import sys

COLLECTION = pathlib.Path(__file__).resolve().parents[2]
CLIENT = os.environ.get("KIP_PARAM_CLIENT", COLLECTION.parent / "build/bin/kip-param-client")
sys.path.insert(0, str(COLLECTION / "plugins"))
