# The work is done on the controller by the action plugin of the same name
# (plugins/action/reboot.py); this file holds the module's documentation.

DOCUMENTATION = r"""
module: reboot
short_description: Restart a radio unit through its configuration daemon and wait for it
description:
  - Sends the REBOOT query once, then waits until the unit has been silent
    and answers a DOR query again, within C(reboot_timeout).
  - REBOOT is never sent again, even when its reply is lost; a late resend
    would restart the unit a second time. When neither the reply nor a
    silence was seen, the task fails saying the unit did not restart.
  - The unit is probed with one DOR query at a time. A probe that goes
    unanswered, or whose answer takes longer than 1.5 seconds (the daemon
    answers within one), counts as silence; the first answer after a
    silence ends the wait.
  - Talks to the unit over UDP from the control node itself; use
    C(connection=local) for the units.
version_added: 0.1.0
author: app-kip-param developers
options:
  reboot_timeout:
    description: Seconds from sending REBOOT until the unit must answer again.
    type: float
    default: 300.0
  host:
    description:
      - The unit's address. Defaults to the inventory host's C(ansible_host),
        or its inventory name when it has none.
    type: str
  port:
    description: The daemon's UDP port.
    type: int
    default: 3180
  timeout:
    description: Seconds to wait for the reply to REBOOT.
    type: float
    default: 2.0
  retries:
    description: Not used by this module; accepted so that fleet defaults can be given to both modules.
    type: int
    default: 3
attributes:
  check_mode:
    support: full
    description: Reports a change and sends nothing.
  diff_mode:
    support: none
seealso:
  - module: kip.param.config
"""

EXAMPLES = r"""
- name: Restart the units one at a time
  kip.param.reboot:
    reboot_timeout: 600
"""

RETURN = r"""
replied:
  description: Whether the unit replied that it will restart (the reply may be lost on the way).
  returned: unless check mode
  type: bool
elapsed:
  description: Seconds from sending REBOOT until the unit answered again.
  returned: success, unless check mode
  type: float
tries:
  description: Datagrams sent to the unit, REBOOT and probes.
  returned: always
  type: int
"""
