from ansible_collections.kip.param.plugins.plugin_utils import config_task
from ansible_collections.kip.param.plugins.plugin_utils.unit_action import UnitAction


class ActionModule(UnitAction):
    OPTIONS = dict(
        state=dict(type="str", choices=["merged", "gathered"], default="merged"),
        settings=dict(type="dict", default={}),
        unit_values=dict(type="bool", default=False),
    )

    def decide(self, unit, args, check_mode):
        if args["state"] == "gathered":
            if args["settings"]:
                raise config_task.TaskFailed("settings are for state: merged; state: gathered reads every key")
            return config_task.gathered(unit, args["unit_values"])
        return config_task.merged(unit, args["settings"], check_mode, args["retries"] + 1)
