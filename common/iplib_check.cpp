#include "common/iplib_check.h"

#include "common/coding.h"
#include "common/ip_vector.h"
#include "platform/gbk.h"

std::string IpLibRefusal(const std::string& library) {
  if (library.find('\0') != std::string::npos) return "IP库数据含有空字节";
  std::string text = library;
  // The substituted form has neither separator until it is turned back.
  if (!gbk::Contains(text, "|") && !gbk::Contains(text, "*")) SubstituteChars(text);
  CQorIpVector table;
  if (table.Load(text) < 1) return "IP库数据中没有可用的记录";
  return "";
}
