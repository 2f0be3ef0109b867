#include "common/rule_tokens.h"

#include "platform/gbk.h"
#include "common/rule_record_fields.h"

namespace rule {

namespace {

std::string Bracketed(std::string s) {
  if (!gbk::StartsWith(s, "|")) s = "|" + s;
  if (!gbk::EndsWith(s, "|") || !gbk::IsCharBoundary(s, s.size() - 1)) s += "|";
  return s;
}

}  // namespace

std::string ComposeLanguageData(const std::string& otherBox, const bool ticked[kLanguageCount]) {
  std::string text = gbk::ToLower(EncodeListField(otherBox));
  for (int i = 0; i < kLanguageCount; ++i) {
    if (ticked[i] && !gbk::Contains(text, kLanguageTokens[i].token)) text += kLanguageTokens[i].token;
  }
  return ReduceDoubleBars(text);
}

std::string ParseLanguageData(const std::string& value, bool ticked[kLanguageCount]) {
  std::string text = gbk::ToLower(Bracketed(ReduceDoubleBars(value)));
  for (int i = 0; i < kLanguageCount; ++i) {
    ticked[i] = gbk::Contains(text, kLanguageTokens[i].token);
    if (ticked[i]) gbk::ReplaceAll(text, kLanguageTokens[i].token, "|");
  }
  text = ReduceDoubleBars(text);
  if (gbk::StartsWith(text, "|")) text.erase(0, 1);
  if (gbk::EndsWith(text, "|") && gbk::IsCharBoundary(text, text.size() - 1)) text.pop_back();
  gbk::ReplaceAll(text, "|", "\r\n");
  return text;
}

std::string ComposeOsData(const bool ticked[kOsCount]) {
  std::string text;
  if (ticked[kOsAllWindows]) {
    text = kOsTokens[kOsAllWindows].token;
  } else {
    for (int i = kOsNt10; i <= kOsNt5; ++i) {
      if (ticked[i]) text += kOsTokens[i].token;
    }
  }
  for (int i = kOsLinux; i < kOsCount; ++i) {
    if (ticked[i]) text += kOsTokens[i].token;
  }
  return ReduceDoubleBars(text);
}

void ParseOsData(const std::string& value, bool ticked[kOsCount]) {
  const std::string text = Bracketed(ReduceDoubleBars(value));
  const bool all = gbk::Contains(text, kOsTokens[kOsAllWindows].token);
  for (int i = 0; i < kOsCount; ++i) {
    const bool windowsBox = i <= kOsNt5;
    ticked[i] = (windowsBox && all) || (i != kOsAllWindows && gbk::Contains(text, kOsTokens[i].token));
  }
}

bool AddBrowserToken(std::string& browserBox, const std::string& token) {
  const std::string piece = gbk::ToLower("|" + token + "|");
  std::string text = browserBox;
  gbk::ReplaceAll(text, "\r\n", "|");
  gbk::ReplaceAll(text, "\r", "|");
  gbk::ReplaceAll(text, "\n", "|");
  text = gbk::ToLower(Bracketed(ReduceDoubleBars(text)));
  if (gbk::Contains(text, piece)) return false;
  text += piece;
  text = ReduceDoubleBars(ReduceDoubleBars(text));
  if (gbk::StartsWith(text, "|")) text.erase(0, 1);
  if (gbk::EndsWith(text, "|") && gbk::IsCharBoundary(text, text.size() - 1)) text.pop_back();
  gbk::ReplaceAll(text, "|", "\r\n");
  browserBox = text;
  return true;
}

}  // namespace rule
