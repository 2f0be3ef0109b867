#include "resources/panel_main_dialogs.h"

namespace res {

void AddMainDialogs(ui::ResourceSet& /*set*/) {}

}  // namespace res
