#include "platform/ui/qt/qt_journal.h"

#include <cstdlib>
#include <mutex>

#include "platform/fs.h"

namespace ui::qt {

namespace {
std::string JournalPath() {
  const char* p = std::getenv("QOR_UI_JOURNAL");
  return p ? std::string(p) : std::string();
}
std::mutex g_mutex;
}  // namespace

bool JournalEnabled() { return !JournalPath().empty(); }

void Journal(const std::string& line) {
  const std::string path = JournalPath();
  if (path.empty()) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  // A test's record of what the windows did; a line it cannot write shows as missing there.
  (void)platform::fs::WriteFile(path, line + "\n", true);
}

}  // namespace ui::qt
