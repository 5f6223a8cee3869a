import pytest

from unit import Unit


@pytest.fixture
def unit(tmp_path):
    """A unit booted from a fresh disk, its daemon answering."""
    booted = Unit(str(tmp_path))
    booted.boot()
    try:
        booted.wait_answering()
        yield booted
    finally:
        booted.power_off()
