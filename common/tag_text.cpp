#include "common/tag_text.h"

#include "platform/gbk.h"

std::string OpenTag(const std::string& name) { return "<" + name + ">"; }
std::string CloseTag(const std::string& name) { return "</" + name + ">"; }

std::string GetTagValue(const std::string& text, const std::string& openTag, const std::string& closeTag,
                        bool keepTags) {
  if (text.empty() || openTag.empty() || closeTag.empty()) return "";
  size_t open = gbk::Find(text, openTag);
  size_t close = gbk::Find(text, closeTag);
  if (open == gbk::npos || close == gbk::npos || close <= open) return "";
  size_t start = open + openTag.size();
  if (close < start) return "";
  std::string value = text.substr(start, close - start);
  return keepTags ? openTag + value + closeTag : value;
}

int SetTagValue(std::string& text, const std::string& value, const std::string& openTag,
                const std::string& closeTag) {
  if (openTag.empty() || closeTag.empty()) return 0;
  size_t open = gbk::Find(text, openTag);
  size_t close = gbk::Find(text, closeTag);
  while (open != gbk::npos && close != gbk::npos && close < open) {
    text.erase(close, closeTag.size());
    open = gbk::Find(text, openTag);
    close = gbk::Find(text, closeTag);
  }
  if (open == gbk::npos && close == gbk::npos) {
    text += openTag + value + closeTag;
  } else if (open == gbk::npos) {
    text.insert(close, openTag + value);
  } else if (close == gbk::npos) {
    text.insert(open + openTag.size(), value + closeTag);
  } else {
    size_t start = open + openTag.size();
    // An open tag whose end overlaps the close tag ("<A></A>" searched as "<A>" and
    // "A></A>") keeps the close tag where it is.
    if (close < start) close = start;
    text = text.substr(0, start) + value + text.substr(close);
  }
  return 1;
}
