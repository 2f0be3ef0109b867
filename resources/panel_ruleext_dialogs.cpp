#include "resources/panel_ruleext_dialogs.h"

namespace res {

void AddRuleExtDialogs(ui::ResourceSet& /*set*/) {}

}  // namespace res
