# The work is done on the controller by the action plugin of the same name
# (plugins/action/config.py); this file holds the module's documentation.

DOCUMENTATION = r"""
module: config
short_description: Read or set the keys of a radio unit's configuration daemon
description:
  - Talks to the unit's configuration daemon over UDP from the control node
    itself; nothing runs on the unit. Use C(connection=local) for the units.
  - Keys are named by their full path, as C(kip-param-client keys) lists them,
    for example C(config:Power) or C(LunConfig:ItpLink:RemotePort), or, as
    the client takes them, by the last part of the path when only one key
    ends so (C(Power), C(RemotePort), but not C(LogLevel)).
  - Values are compared in the form an operator types them, the form
    C(kip-param-client get) prints, so C(config:RadioID) 3000000000 matches
    a document that writes -1294967296, C(10.0.0.1) is dotted IPv4 and ATCS
    addresses compare as 10 upper-case hex digits. A character key reads as
    itself from C(!) to C(~) and as C(\xNN) (lower-case hex) otherwise.
  - C(config:NetLoggerIP) shows in no document as an element of its own; it
    is read from the C(remote_addr) part of the DOR document's C(LogConfig)
    text.
  - C(config:KipEmpInterval), C(config:KipDcPowerLimit) and
    C(config:KipDisableDutyCycle) show in no query. They are read from the
    report on a document that holds no key and no root the daemon reads (it
    counts as a request and changes nothing). C(gathered) reads them only with
    C(unit_values=true); C(merged) reads them when they are among the
    settings, except in check mode, which sends no document; it leaves them
    out of the comparison and the diff, and warns.
  - C(config:KipDisableDutyCycle) is held in memory only on the unit; it is 0
    again after every restart, whatever was set.
  - The daemon answers one datagram a second, and half a second more for
    each address it applies, so the default time-outs allow for that.
  - A unit that does not answer fails the task with a message that says
    C(no reply) and names the likely causes, the unit's allow-list
    (C(--allow)) among them; a module cannot mark a host unreachable.
  - Once a document was sent the task says so whatever happens next; it
    reports C(changed) when the unit's report or a read-back shows the unit
    took it, and otherwise fails saying that the document was sent and
    whether the unit took it is unknown, with C(document) and C(before) in
    the result.
  - The port is unauthenticated. Run the control node inside the management
    network that the units' firewall rule allows.
version_added: 0.1.0
author: app-kip-param developers
extends_documentation_fragment:
  - kip.param.unit
options:
  state:
    description:
      - C(merged) reads the unit, and sends one configuration document with
        only the keys whose values differ from C(settings), then reads the
        unit back and fails unless every key reads as asked. When nothing
        differs nothing is sent and the task reports no change.
      - C(gathered) returns every key the DOR and LUN documents show under
        C(gathered), and changes nothing; it refuses C(settings).
    type: str
    choices: [merged, gathered]
    default: merged
  settings:
    description:
      - Key path to value, for C(state=merged).
      - Values are checked as C(kip-param-client set) checks them before
        anything is sent; one refused value fails the task and nothing is
        sent. Numbers are unsigned decimal, addresses dotted IPv4 with four
        decimal parts (not 255.255.255.255), ATCS addresses 10 hex digits,
        characters exactly one, not a blank. An ATCS address must be quoted;
        YAML reads some as numbers, which the task refuses.
    type: dict
    default: {}
  unit_values:
    description:
      - With C(state=gathered), also read the keys no query shows, from the
        report of an empty C(config) document (see above).
    type: bool
    default: false
  timeout:
    description:
      - Seconds between the tries of a request, and after the last one; a
        request gives up after (1 + C(retries)) x C(timeout) seconds. All
        tries of a request go out from one socket and a late reply to any of
        them counts, if it has the shape the request asks for.
      - The report on a configuration document is waited for twice as long,
        and half a second more for each address it sets.
    type: float
    default: 1.0
  retries:
    description:
      - Further tries of a query after a lost reply. The default leaves no
        false failure in 1,000 unit-tasks with a fifth of the datagrams lost
        each way; the operator guide gives the figures for other loss rates.
      - A configuration document is never resent blindly on a lost reply;
        the unit is read back, and the document is sent again only when the
        read-back shows it did not arrive, at most C(retries) more times.
    type: int
    default: 12
attributes:
  check_mode:
    support: full
    description: Sends queries only and reports what would change; keys only a document's report shows are not compared.
  diff_mode:
    support: full
    description: The diff shows only the keys that differ, before and after.
notes:
  - Runs on the controller; set C(ansible_python_interpreter) to
    C({{ ansible_playbook_python }}) for the units when using
    C(connection=local).
seealso:
  - module: kip.param.reboot
"""

EXAMPLES = r"""
- name: Audit the fleet (run with --check --diff)
  kip.param.config:
    settings:
      config:Power: 7
      config:ItpRemoteIP: 10.20.0.7
      LunConfig:ItpLink:RemotePort: 4001

- name: Set each unit's identity from host_vars
  kip.param.config:
    settings:
      config:Address: "{{ unit_address }}"
      config:RadioID: "{{ unit_radio_id }}"

- name: Read every key, those no query shows included
  kip.param.config:
    state: gathered
    unit_values: true
  register: unit

- name: Show the unit's power
  ansible.builtin.debug:
    msg: "{{ unit.gathered['config:Power'] }}"
"""

RETURN = r"""
gathered:
  description: Key path to value, normalised, for C(state=gathered).
  returned: state is gathered
  type: dict
  sample: {"config:Power": "7", "config:RadioID": "3000000000", "LunConfig:ItpLink:RemoteAddress": "10.20.0.9"}
before:
  description: The values of the keys in C(settings) as the unit held them.
  returned: state is merged
  type: dict
after:
  description:
    - The values of the keys in C(settings) as read back after the change;
      in check mode, or when nothing differed, what they would be.
  returned: state is merged
  type: dict
document:
  description: The configuration document sent; empty when none was.
  returned: state is merged
  type: str
  sample: "<config><Power>7</Power></config>"
report:
  description:
    - The unit's report on the document, or null when none was sent or its
      reply was lost (the read-back decided then).
    - C(dor) and C(lun) are SUCCESS, FAIL or NA; C(responses) is the
      daemon's request count since it started; C(kip_params) holds the five
      KipParams values of the report.
  returned: state is merged
  type: dict
  sample: {"dor": "SUCCESS", "lun": "NA", "responses": 12, "kip_params": {"config:KipEmpInterval": "0"}}
tries:
  description: Datagrams sent to the unit by this task, tries after a loss included.
  returned: always
  type: int
"""
