#include "common/file_probe.h"

#include "platform/fs.h"

namespace fs = platform::fs;

bool FileExists(const std::string& path, bool wantDirectory) {
  if (path.empty() || !fs::Exists(path)) return false;
  return fs::IsDirectory(path) ? wantDirectory : !wantDirectory;
}

uint64_t GetFileSizeOf(const std::string& path) {
  if (!FileExists(path, false)) return 0;
  int64_t size = fs::FileSize(path);
  return size < 0 ? 0 : static_cast<uint64_t>(size);
}
