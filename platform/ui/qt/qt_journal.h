#pragma once
// The record of QOR_UI_JOURNAL: one GBK line per event, appended (any thread).
#include <string>

namespace ui::qt {

bool JournalEnabled();
void Journal(const std::string& gbkLine);

}  // namespace ui::qt
