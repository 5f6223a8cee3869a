# The options by which both modules reach a unit, documented once.


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
  host:
    description:
      - The unit's address. Defaults to the inventory host's C(ansible_host),
        or its inventory name when it has none.
    type: str
  port:
    description: The daemon's UDP port.
    type: int
    default: 3180
"""
