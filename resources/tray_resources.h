#pragma once
// The tray program's resources.
#include "platform/ui/resource_set.h"

namespace res {

const ui::ResourceSet& TrayResources();
// Makes them the running program's resources.
void InstallTrayResources();

}  // namespace res
