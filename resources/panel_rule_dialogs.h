#pragma once
// Dialog templates, menus and strings of the panel's rule list, rule editor frame, site picker, base and notice pages.
#include "platform/ui/resource_set.h"

namespace res {

void AddRuleDialogs(ui::ResourceSet& set);

}  // namespace res
