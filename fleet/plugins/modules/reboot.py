# The work is done on the controller by the action plugin of the same name
# (plugins/action/reboot.py); this file holds the module's documentation.

DOCUMENTATION = r"""
module: reboot
short_description: Restart a radio unit through its configuration daemon and wait for it
description:
  - Sends the REBOOT query, then a DOR query every second from the same
    socket, and waits until the unit answers one after having been silent,
    within C(reboot_timeout).
  - After REBOOT the daemon answers nothing for three seconds (a two-second
    pause and its one-second poll), and it handles datagrams in the order
    they came. A DOR answer within those three seconds, with no reply to
    REBOOT, therefore proves that REBOOT never arrived; only then is it sent
    again, at most C(retries) more times. A merely lost reply never makes it
    resend REBOOT, which would restart the unit twice.
  - The first DOR answer three seconds or more after REBOOT counts as the
    unit being back.
  - Talks to the unit over UDP from the control node itself; use
    C(connection=local) for the units.
version_added: 0.1.0
author: app-kip-param developers
extends_documentation_fragment:
  - kip.param.unit
options:
  reboot_timeout:
    description: Seconds from sending REBOOT until the unit must answer again.
    type: float
    default: 300.0
  timeout:
    description: Not used by this module; accepted so that fleet defaults can be given to both modules.
    type: float
    default: 2.0
  retries:
    description: How many more times REBOOT may be sent when it provably did not arrive.
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
reboots_sent:
  description: How many times REBOOT was sent; more than once only when it provably did not arrive.
  returned: unless check mode
  type: int
elapsed:
  description: Seconds from sending REBOOT until the unit answered again.
  returned: success, unless check mode
  type: float
tries:
  description: Datagrams sent to the unit, REBOOT and the probes.
  returned: always
  type: int
"""
