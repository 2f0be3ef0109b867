#include "resources/panel_rule_dialogs.h"

namespace res {

void AddRuleDialogs(ui::ResourceSet& /*set*/) {}

}  // namespace res
