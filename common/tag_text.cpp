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

namespace {
// Without a lead byte that has no second byte at the end: it would take the first
// byte of the tag that follows, and the tag could no longer be found.
std::string WholeChars(const std::string& text) {
  size_t i = 0, last = 0;
  while (i < text.size()) {
    last = i;
    i += gbk::CharWidth(text, i);
  }
  if (!text.empty() && last == text.size() - 1 && gbk::IsLeadByte(static_cast<unsigned char>(text[last])))
    return text.substr(0, last);
  return text;
}
}  // namespace

int SetTagValue(std::string& text, const std::string& rawValue, const std::string& openTag,
                const std::string& closeTag) {
  if (openTag.empty() || closeTag.empty()) return 0;
  const std::string value = WholeChars(rawValue);
  size_t open = gbk::Find(text, openTag);
  size_t close = gbk::Find(text, closeTag);
  if (open == gbk::npos && close == gbk::npos) {
    text = WholeChars(text) + openTag + value + closeTag;
  } else if (open == gbk::npos || close < open) {
    // A close tag first (alone, or stray before the pair of a damaged text): the new
    // pair ends at it, so the value reads back and every byte of the text stays where
    // it was; nothing is dropped that could make the text start with something else.
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
