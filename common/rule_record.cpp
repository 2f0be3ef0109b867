#include "common/rule_record.h"

#include <cstdio>
#include <string_view>

#include "common/config.h"
#include "platform/gbk.h"
#include "common/split.h"
#include "common/tag_text.h"

namespace rule {

namespace {

// The store's own tags, which a value inside <KeyRuleData> must not hold either.
constexpr const char* kStoreTags[] = {kTagSystem, kTagSystemVersion, kTagShowPanel,
                                      kTagRuleData, kTagLogOn,         kTagLogDelDays};

// The first opening or closing tag of the list that the value holds; empty for none.
template <typename Tags, typename NameOf>
std::string FindTag(const std::string& value, const Tags& tags, NameOf nameOf) {
  for (const auto& t : tags) {
    for (const std::string& piece : {OpenTag(nameOf(t)), CloseTag(nameOf(t))}) {
      if (gbk::Find(value, piece) != gbk::npos) return piece;
    }
  }
  return "";
}

// What would end a value early, start a forged tag, or end the rule. The store's end
// marker is no such piece: readers find values by their tags and pass over markers.
std::string BreakingPiece(const std::string& value) {
  std::string piece = FindTag(value, kTagsInSaveOrder, [](const TagDefault& t) { return t.tag; });
  if (piece.empty()) piece = FindTag(value, kStoreTags, [](const char* t) { return t; });
  if (!piece.empty()) return piece;
  if (gbk::Find(value, kRuleSeparator) != gbk::npos) return kRuleSeparator;
  return "";
}

}  // namespace

std::string NewRuleName(int ruleCount) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "新任务名%d", ruleCount + 1);
  return buf;
}

std::string NewRuleText(int ruleCount) {
  std::string text;
  for (const TagDefault& t : kTagsInSaveOrder) {
    // Compared as texts: a build may hold the same literal more than once.
    const std::string value = std::string_view(t.tag) == kName ? NewRuleName(ruleCount) : std::string(t.newValue);
    SetTagValue(text, value, OpenTag(t.tag), CloseTag(t.tag));
  }
  return text;
}

std::string ReadTag(const std::string& ruleText, const char* tag) {
  return GetTagValue(ruleText, OpenTag(tag), CloseTag(tag));
}

std::string ReadShownTag(const std::string& ruleText, const char* tag) {
  const std::string value = ReadTag(ruleText, tag);
  const std::string name = tag;
  if (name == kOn) return value.empty() ? "1" : value;
  if (name == kNoteType) return value == "1" || value == "2" || value == "3" ? value : "4";
  if (name == kNoteWords) return value.empty() ? kNoteWordsMissing : value;
  return value;
}

std::string CheckValue(const std::string& value) {
  const std::string piece = BreakingPiece(value);
  if (piece.empty()) return "";
  return "输入的内容不能包含“" + piece + "”，请修改后再保存。";
}

bool WriteTag(std::string& ruleText, const char* tag, const std::string& value, std::string* error) {
  const std::string refused = CheckValue(value);
  if (!refused.empty()) {
    if (error) *error = refused;
    return false;
  }
  SetTagValue(ruleText, value, OpenTag(tag), CloseTag(tag));
  if (error) error->clear();
  return true;
}

bool IsRuleOn(const std::string& ruleText) { return ReadShownTag(ruleText, kOn) == "1"; }

int GetNoteType(const std::string& ruleText) { return ReadShownTag(ruleText, kNoteType)[0] - '0'; }

StringList SplitRuleList(const std::string& ruleData) {
  StringList rules;
  SplitToList(ruleData, kRuleSeparator, rules, true, 5);
  return rules;
}

std::string JoinRuleList(const StringList& rules) { return CConfig::JoinRuleList(rules); }

}  // namespace rule
