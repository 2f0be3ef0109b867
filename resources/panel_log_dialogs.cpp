#include "resources/panel_log_dialogs.h"

namespace res {

void AddLogDialogs(ui::ResourceSet& /*set*/) {}

}  // namespace res
