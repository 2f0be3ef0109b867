#include "common/qor_file.h"

#include "platform/fs.h"
#include "platform/textconv.h"

namespace {
// The shell's path buffer holds 260 bytes with the terminating zero.
constexpr size_t kMaxPathBytes = 259;
}  // namespace

bool CQorFile::DeleteFile(const std::string& path) {
  if (!platform::fs::Exists(path) || platform::fs::IsDirectory(path)) return false;
  // The limit counts the path as the shell holds it, in the system's code page.
  if (platform::Utf8ToGbk(path).size() > kMaxPathBytes) return false;
  return platform::fs::DeleteFile(path) == platform::fs::kOk;
}
