#include "tools/file_tests.h"

#include <vector>

#include "platform/gbk.h"
#include "platform/fs.h"

namespace {
// A relative path has no drive, so the listing is not asked.
bool ListingFinds(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  size_t slash = gbk::RFind(path, '/');
  std::string dir = path.substr(0, slash + 1), name = path.substr(slash + 1);
  if (name.empty()) return platform::fs::IsDirectory(path);
  std::vector<platform::fs::Entry> entries;
  return platform::fs::List(dir, name, entries) && !entries.empty();
}
}  // namespace

bool FileExistsByDir(const std::string& path) { return ListingFinds(path); }

bool DirExists(const std::string& path) { return ListingFinds(path); }
