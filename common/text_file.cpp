#include "common/text_file.h"

#include <cstdio>

#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/gbk.h"
#include "platform/textconv.h"

namespace fs = platform::fs;

StringList SplitLines(const std::string& content) { return gbk::SplitLines(content); }

int ReadTextFile(const std::string& path, std::string& out, Build build, bool lineEnds) {
  out.clear();
  std::string content;
  if (build == Build::Service) {
    if (fs::ReadFile(path, content) != fs::kOk) return 0;
  } else {
    if (!fs::IsFile(path)) return 0;
    int err = fs::kOk;
    for (int attempt = 0; attempt < 20; ++attempt) {
      err = fs::ReadFile(path, content);
      if (err == fs::kOk || err == fs::kFileNotFound || err == fs::kPathNotFound || err == fs::kReadFault) break;
      if (attempt < 19) platform::clock::Sleep(100);
    }
    // Only a refused open is retried and shown; a read that fails once the file is
    // open ends the read with 0 and no message.
    if (err == fs::kFileNotFound || err == fs::kPathNotFound || err == fs::kReadFault) return 0;
    if (err != fs::kOk) {
      char msg[1024];
      std::snprintf(msg, sizeof msg, "打开配置文件【%s】失败，错误号：%d。", platform::Utf8ToGbk(path).c_str(), err);
      ShowMessageBox(msg, "错误", kMbOk | kMbIconError);
      return 0;
    }
  }
  out.reserve(content.size());
  for (const auto& line : SplitLines(content)) {
    out += line;
    if (lineEnds) out += '\n';
  }
  return 1;
}

int ReadLinesToArray(StringList& array, const std::string& path) {
  array.clear();
  std::string content;
  if (fs::ReadFile(path, content) != fs::kOk) return 0;
  for (auto& line : SplitLines(content))
    if (!line.empty()) array.push_back(std::move(line));
  return 1;
}

int CountFileLines(const std::string& path) {
  fs::InFile file;
  if (file.Open(path) != fs::kOk) return 0;
  // Block by block, stopping at the limit: a large day costs no more than a small one.
  char buf[16384];
  int count = 0;
  bool inLine = false;  // a non-empty line has begun and not yet ended
  bool cr = false;      // a '\r' that is line end if '\n' follows, else text
  for (;;) {
    const int64_t got = file.Read(buf, sizeof buf);
    if (got <= 0) break;
    for (int64_t i = 0; i < got; ++i) {
      const char c = buf[i];
      if (c == '\n') {
        if (inLine && ++count >= 999) return 1000;
        inLine = cr = false;
      } else {
        if (cr || c != '\r') inLine = true;
        cr = c == '\r';
      }
    }
  }
  if (inLine && ++count >= 999) return 1000;
  return count;
}

int WriteTextFile(const std::string& path, const std::string& text, bool newline, bool append) {
  if (path.empty()) return 0;
  return fs::WriteFile(path, newline ? text + "\n" : text, append) == fs::kOk ? 1 : 0;
}
