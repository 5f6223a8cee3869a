from ansible_collections.kip.param.plugins.plugin_utils import reboot_task
from ansible_collections.kip.param.plugins.plugin_utils.unit_action import UnitAction


class ActionModule(UnitAction):
    OPTIONS = dict(reboot_timeout=dict(type="float", default=300.0))

    def decide(self, unit, args, check_mode):
        return reboot_task.reboot(unit, args["reboot_timeout"], check_mode, args["retries"] + 1)
