# The work is done on the controller by the action plugin of the same name
# (plugins/action/reboot.py); this file holds the module's documentation.

DOCUMENTATION = r"""
module: reboot
short_description: Restart a radio unit through its configuration daemon and wait for it
description:
  - Asks first whether the unit answers, with a document that holds no key
    (it changes nothing; its report shows the daemon's C(Response count),
    the requests since it started). A unit that does not answer fails at
    once, unchanged, and REBOOT is not sent.
  - Then sends REBOOT once, and such documents from the same socket at once,
    every half second for three seconds and every second after. The task
    succeeds only when a new daemon answers; a count not above the highest seen, the one before
    REBOOT included, can only come from a daemon started since, however
    many other hosts talk to the unit. Silence proves nothing (a unit's
    shutdown may take any time, and loss looks the same).
  - After handling REBOOT the daemon answers nothing for three seconds, and
    it handles datagrams in the order they came. An answer within those
    three seconds, or one whose count is the very next after the count
    before REBOOT, with no reply to REBOOT, therefore proves that REBOOT
    never arrived; only then is it sent again, at most C(retries) more
    times. Once the unit may have acted on REBOOT it is never sent again.
  - Talks to the unit over UDP from the control node itself; use
    C(connection=local) for the units.
version_added: 0.1.0
author: app-kip-param developers
extends_documentation_fragment:
  - kip.param.unit
options:
  reboot_timeout:
    description: Seconds from the start of the task until a new daemon must have answered.
    type: float
    default: 300.0
  timeout:
    description: Seconds between the tries of the first question, whether the unit answers (see M(kip.param.config)).
    type: float
    default: 1.0
  retries:
    description:
      - Further tries of the first question, whether the unit answers.
      - How many more times REBOOT may be sent when it provably did not arrive.
    type: int
    default: 12
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
  description: How many times REBOOT was sent; 0 when the unit did not answer first, more than once only when it provably did not arrive.
  returned: unless check mode
  type: int
count_before:
  description: The daemon's Response count before REBOOT; null when the unit did not answer.
  returned: unless check mode
  type: int
count_after:
  description: The new daemon's Response count in its first answer; null unless it answered.
  returned: unless check mode
  type: int
elapsed:
  description: Seconds the task took, until the new daemon answered or the task gave up.
  returned: unless check mode
  type: float
tries:
  description: Datagrams sent to the unit, REBOOT and the questions.
  returned: always
  type: int
"""
