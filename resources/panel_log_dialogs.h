#pragma once
// Dialog templates, menus and strings of the panel's log page and log viewer.
#include "platform/ui/resource_set.h"

namespace res {

void AddLogDialogs(ui::ResourceSet& set);

}  // namespace res
