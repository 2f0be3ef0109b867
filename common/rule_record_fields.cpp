#include "common/rule_record_fields.h"

#include "platform/gbk.h"

namespace rule {

namespace {

// Five bars in a row separate two rules in the store.
void CollapseLongBarRuns(std::string& s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '|') {
      const size_t w = gbk::CharWidth(s, i);
      out.append(s, i, w);
      i += w;
      continue;
    }
    size_t run = 0;
    while (i + run < s.size() && s[i + run] == '|') ++run;
    out.append(run >= 5 ? 1 : run, '|');
    i += run;
  }
  s.swap(out);
}

// Box texts may come with lone LF line ends.
std::string ToCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

// An address that names its own scheme ("https://...") keeps it: letters, digits,
// "+", "-" or "." from the start, beginning with a letter, then "://".
bool HasScheme(const std::string& url) {
  const size_t colon = url.find("://");
  if (colon == std::string::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = url[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (i == 0 ? !letter : !(letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')) return false;
  }
  return true;
}

std::string LowerNoAngles(const std::string& text) {
  std::string out = gbk::ToLower(text);
  gbk::ReplaceAll(out, "<", "");
  gbk::ReplaceAll(out, ">", "");
  return out;
}

}  // namespace

std::string EncodeListField(const std::string& boxText, bool lowerNoAngles) {
  std::string s = ToCrLf(boxText);
  gbk::ReplaceAll(s, "\r\n\r\n", "\r\n");
  gbk::ReplaceAll(s, "\r\n", "|");
  CollapseLongBarRuns(s);
  return lowerNoAngles ? LowerNoAngles(s) : s;
}

std::string DecodeListField(const std::string& value) {
  std::string s = ReduceDoubleBars(value);
  gbk::ReplaceAll(s, "|", "\r\n");
  return s;
}

std::string ReduceDoubleBars(const std::string& text) { return gbk::Replaced(text, "||", "|"); }

std::string EncodeFileTypes(const std::string& boxText) { return LowerNoAngles(ReduceDoubleBars(boxText)); }

std::string DecodeFileTypes(const std::string& value) { return ReduceDoubleBars(value); }

std::string EncodeSites(const std::string& boxText) { return EncodeListField(boxText, true); }

std::string DecodeSites(const std::string& value) {
  // Doubled bars go before the outer ones, so "||a|" still reads as the one line a.
  std::string s = ReduceDoubleBars(value);
  if (gbk::StartsWith(s, "|")) s.erase(0, 1);
  if (gbk::EndsWith(s, "|") && gbk::IsCharBoundary(s, s.size() - 1)) s.pop_back();
  gbk::ReplaceAll(s, "|", "\r\n");
  return s;
}

std::string EncodeNoteUrl(const std::string& text, int noteType) {
  if (noteType != 3) return text;
  std::string url = gbk::ToLower(text);
  if (!HasScheme(url)) url = "http://" + url;
  return url;
}

std::string JoinChosenNames(const StringList& names) {
  std::string out;
  for (const std::string& n : names) out += "|" + n;
  return out;
}

StringList SplitChosenNames(const std::string& value) {
  StringList names;
  for (std::string& n : gbk::Split(value, "|")) {
    if (!n.empty()) names.push_back(std::move(n));
  }
  return names;
}

}  // namespace rule
