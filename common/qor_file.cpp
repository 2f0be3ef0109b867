#include "common/qor_file.h"

#include "platform/fs.h"

namespace {
// The shell's path buffer holds 260 bytes with the terminating zero.
constexpr size_t kMaxPathBytes = 259;
}  // namespace

bool CQorFile::DeleteFile(const std::string& path) {
  if (!platform::fs::Exists(path) || platform::fs::IsDirectory(path)) return false;
  if (path.size() > kMaxPathBytes) return false;
  return platform::fs::DeleteFile(path) == platform::fs::kOk;
}
