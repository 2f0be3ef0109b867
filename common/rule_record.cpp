#include "common/rule_record.h"

#include <cstdio>

#include "common/config.h"
#include "platform/gbk.h"
#include "common/split.h"
#include "common/tag_text.h"

namespace rule {

namespace {

// What would end a value early, start a forged tag or end the store or the rule.
constexpr const char* kBreakingPieces[] = {"</Key", "<Key", "<0>", "|||||"};

}  // namespace

std::string NewRuleName(int ruleCount) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "新任务名%d", ruleCount + 1);
  return buf;
}

std::string NewRuleText(int ruleCount) {
  std::string text;
  for (const TagDefault& t : kTagsInSaveOrder) {
    const std::string value = t.tag == kName ? NewRuleName(ruleCount) : std::string(t.newValue);
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
  for (const char* piece : kBreakingPieces) {
    if (gbk::Find(value, piece) != gbk::npos) {
      return std::string("输入的内容不能包含“") + piece + "”，请修改后再保存。";
    }
  }
  return "";
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
