#include "tools/file_tests.h"

#include <vector>

#include "platform/fs.h"
#include "platform/paths.h"

namespace {
// A relative path has no drive, so the listing is not asked.
bool ListingFinds(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  const auto [dir, name] = platform::SplitPath(path);
  if (name.empty()) return platform::fs::IsDirectory(path);
  std::vector<platform::fs::Entry> entries;
  return platform::fs::List(dir, name, entries) && !entries.empty();
}
}  // namespace

bool FileExistsByDir(const std::string& path) { return ListingFinds(path); }

bool DirExists(const std::string& path) { return ListingFinds(path); }
