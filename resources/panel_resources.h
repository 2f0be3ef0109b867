#pragma once
// The management panel's resources.
#include "platform/ui/resource_set.h"

namespace res {

const ui::ResourceSet& PanelResources();
// Makes them the running program's resources.
void InstallPanelResources();

}  // namespace res
