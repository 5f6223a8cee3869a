"""The part both actions share: the connection options, the unit they name,
and a failure turned into Ansible's failed result.

The actions talk to the unit from the controller's own worker process:
running a module instead would start a Python interpreter per unit and task,
which costs far more than the exchange itself.
"""
from ansible.plugins.action import ActionBase

from ansible_collections.kip.param.plugins.plugin_utils.config_task import TaskFailed
from ansible_collections.kip.param.plugins.plugin_utils.exchange import ExchangeError, NoReply
from ansible_collections.kip.param.plugins.plugin_utils.unit import Unit
from ansible_collections.kip.param.plugins.plugin_utils.values import RefusedValue

CONNECTION_OPTIONS = dict(
    host=dict(type="str"),
    port=dict(type="int", default=3180),
    # At a fifth of the datagrams lost each way, 13 tries a second apart
    # leave no false failure in 1,000 unit-tasks (docs/fleet.md), and a unit
    # that is down fails in 13 s.
    timeout=dict(type="float", default=1.0),
    retries=dict(type="int", default=12),
)


class UnitAction(ActionBase):
    TRANSFERS_FILES = False
    OPTIONS = {}

    def run(self, tmp=None, task_vars=None):
        result = super(UnitAction, self).run(tmp, task_vars)
        _, args = self.validate_argument_spec(argument_spec=dict(CONNECTION_OPTIONS, **self.OPTIONS))
        task_vars = task_vars or {}
        name = task_vars.get("inventory_hostname")
        host = args["host"] or self._templar.template(task_vars.get("ansible_host", name))
        # A unit reached by its inventory name is most often one whose
        # ansible_host was forgotten: a failure to resolve it says so.
        hint = " (the unit's address is its inventory name: is its ansible_host missing?)" if host == name else ""
        if args["port"] < 1 or args["port"] > 65535 or args["timeout"] <= 0 or args["retries"] < 0:
            return dict(result, failed=True, msg="port must be 1-65535, timeout above 0 and retries 0 or more")
        unit = Unit(host, args["port"], args["timeout"], args["retries"])
        try:
            result.update(self.decide(unit, args, self._task.check_mode))
        except ExchangeError as error:
            result.update(failed=True, msg=str(error) + hint, tries=unit.tries)
        except (NoReply, RefusedValue, ValueError) as error:
            result.update(failed=True, msg=str(error), tries=unit.tries)
        except TaskFailed as failure:
            result.update(failure.result, failed=True, msg=str(failure))
        return result

    def decide(self, unit, args, check_mode):
        raise NotImplementedError
