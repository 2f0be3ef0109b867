#pragma once
// Dialog templates, menus and strings of the panel's main window.
#include "platform/ui/resource_set.h"

namespace res {

void AddMainDialogs(ui::ResourceSet& set);

}  // namespace res
