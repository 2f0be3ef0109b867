#include "common/log_files.h"

#include "common/date_text.h"
#include "platform/gbk.h"
#include "platform/fs.h"

int ListLogFiles(StringList& list, const std::string& dir, const std::string& extension) {
  list.clear();
  if (!platform::fs::IsDirectory(dir)) return 0;
  std::string pattern = (extension.empty() || extension == "*") ? "*.*" : "*." + extension;
  std::vector<platform::fs::Entry> entries;
  if (!platform::fs::List(dir, pattern, entries)) return 0;
  for (const auto& e : entries) {
    if (e.isDir && !e.name.empty() && e.name[0] == '.') continue;
    if (e.name == "debug.log" || e.name == "system.log") continue;
    list.push_back(e.name);
  }
  return static_cast<int>(list.size());
}

std::string LogFileDateKey(const std::string& name) {
  std::string key = gbk::ToLower(name);
  gbk::ReplaceAll(key, "qor", "");
  gbk::ReplaceAll(key, ".log", "");
  return NormalizeDateText(key);
}

int SortLogFileList(StringList& list) {
  if (list.empty()) return 0;
  StringList sorted;
  StringList keys;
  for (const auto& name : list) {
    std::string key = LogFileDateKey(name);
    if (key.size() < 4) continue;
    size_t at = sorted.size();
    for (size_t i = 0; i < sorted.size(); ++i) {
      if (keys[i] > key && keys[i].size() > 4) {
        at = i;
        break;
      }
    }
    if (at == sorted.size() && name.size() <= 4) continue;
    sorted.insert(sorted.begin() + static_cast<long>(at), name);
    keys.insert(keys.begin() + static_cast<long>(at), key);
  }
  list.swap(sorted);
  return static_cast<int>(list.size());
}
