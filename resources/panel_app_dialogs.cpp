#include "resources/panel_app_dialogs.h"

namespace res {

void AddAppDialogs(ui::ResourceSet& /*set*/) {}

}  // namespace res
