#include "tools/file_tests.h"

#include <vector>

#include "platform/fs.h"

namespace {
// A relative path has no drive, so the listing is not asked.
bool ListingFinds(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  // An OS path is UTF-8: its bytes are split as they are, since a GBK walk would take
  // a '/' after some UTF-8 sequences for the trail of a pair.
  size_t slash = path.rfind('/');
  std::string dir = path.substr(0, slash + 1), name = path.substr(slash + 1);
  if (name.empty()) return platform::fs::IsDirectory(path);
  std::vector<platform::fs::Entry> entries;
  return platform::fs::List(dir, name, entries) && !entries.empty();
}
}  // namespace

bool FileExistsByDir(const std::string& path) { return ListingFinds(path); }

bool DirExists(const std::string& path) { return ListingFinds(path); }
