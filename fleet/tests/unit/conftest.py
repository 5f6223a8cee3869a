"""Makes the collection importable as ansible_collections.kip.param from its
folder in the repository, without installing it."""
import os
import sys
import tempfile

COLLECTION = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
REPOSITORY = os.path.dirname(COLLECTION)

_root = tempfile.mkdtemp(prefix="kip-collections-")
os.makedirs(os.path.join(_root, "ansible_collections", "kip"))
os.symlink(COLLECTION, os.path.join(_root, "ansible_collections", "kip", "param"))
sys.path.insert(0, _root)
