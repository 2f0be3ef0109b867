#include "service/text_util.h"

#include "platform/gbk.h"

std::string ShortenText(const std::string& text, int limit) {
  if (limit <= 0) limit = 40;
  const size_t n = static_cast<size_t>(limit);
  if (text.size() <= n || n <= 9) return text;
  size_t headLen = 8;
  if (!gbk::IsCharBoundary(text, headLen)) ++headLen;
  size_t tailStart = text.size() - (n - 9);
  if (!gbk::IsCharBoundary(text, tailStart)) ++tailStart;
  return text.substr(0, headLen) + "..." + text.substr(tailStart);
}

void ReplaceCharInPlace(std::string& text, char from, char to) {
  for (size_t i = 0; i < text.size(); i += gbk::CharWidth(text, i)) {
    if (text[i] == from && gbk::CharWidth(text, i) == 1) text[i] = to;
  }
}

void ToLowerString(std::string& text) { text = gbk::ToLower(text); }
