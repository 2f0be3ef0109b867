#include "resources/panel_sys_dialogs.h"

namespace res {

void AddSysDialogs(ui::ResourceSet& /*set*/) {}

}  // namespace res
