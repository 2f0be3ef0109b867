#pragma once
// Dialog templates, menus and strings of the panel's start-up and uninstall.
#include "platform/ui/resource_set.h"

namespace res {

void AddAppDialogs(ui::ResourceSet& set);

}  // namespace res
