#pragma once
// Deletes one file silently, as the shell's delete without the recycle bin.
#include <string>

class CQorFile {
 public:
  virtual ~CQorFile() = default;

  // True when the file was deleted. A folder, a missing path and a path longer than
  // the shell's 259 bytes are left alone (false).
  bool DeleteFile(const std::string& path);
};
