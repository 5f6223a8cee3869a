# Makes the collection importable as ansible_collections.kip.param from its
# folder in the repository, without installing it.
import os
import pathlib
import sys
import tempfile

COLLECTION = pathlib.Path(__file__).resolve().parents[2]
CLIENT = os.environ.get("KIP_PARAM_CLIENT", COLLECTION.parent / "build/bin/kip-param-client")

_root = pathlib.Path(tempfile.mkdtemp(prefix="kip-collections-"), "ansible_collections", "kip")
_root.mkdir(parents=True)
(_root / "param").symlink_to(COLLECTION)
sys.path.insert(0, str(_root.parents[1]))
