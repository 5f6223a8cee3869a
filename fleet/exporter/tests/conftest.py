# Imports the exporter and the collection's protocol library from the repository.
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path[0:0] = [str(HERE.parent), str(HERE.parents[1] / "plugins")]
