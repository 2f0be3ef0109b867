#pragma once
// Dialog templates, menus and strings of the panel's system settings page and repair.
#include "platform/ui/resource_set.h"

namespace res {

void AddSysDialogs(ui::ResourceSet& set);

}  // namespace res
