#pragma once
// Dialog templates of the management panel.
#include "platform/ui/dialog_template.h"

namespace res {

ui::DialogTemplate AboutTemplate();
ui::DialogTemplate StartTemplate();

}  // namespace res
