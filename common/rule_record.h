#pragma once
// One access rule as tagged text: its tags in save order, the values of a new rule,
// how missing tags read, the value forms, and the rule list of <KeyRuleData>.
#include <string>

#include "common/build.h"

namespace rule {

// Base page.
inline constexpr const char* kName = "KeyName";
inline constexpr const char* kFileTypeAllowed = "KeyFileTypeAllowed";
inline constexpr const char* kFileTypes = "KeyFileTypes";
inline constexpr const char* kNoteType = "KeyNoteType";
inline constexpr const char* kNotePassword = "KeyNotePassword";
inline constexpr const char* kNoteUrl = "KeyNoteUrl";
inline constexpr const char* kNoteWords = "KeyNoteWords";
inline constexpr const char* kAddWords = "KeyAddWords";
inline constexpr const char* kSendReason = "KeySendReason";
// Region page.
inline constexpr const char* kAreaAllowed = "KeyAreaAllowed";
inline constexpr const char* kAreaData = "KeyAreaData";
inline constexpr const char* kStateAllowed = "KeyStateAllowed";
inline constexpr const char* kStateData = "KeyStateData";
inline constexpr const char* kAreaIp = "KeyAreaIp";
inline constexpr const char* kStateIp = "KeyStateIp";
// IP page.
inline constexpr const char* kIpAllowed = "KeyIpAllowed";
inline constexpr const char* kIpData = "KeyIpData";
// URL page.
inline constexpr const char* kSitesAllowed = "KeySitesAllowed";
inline constexpr const char* kSites = "KeySites";
inline constexpr const char* kUrlAllowed = "KeyUrlAllowed";
inline constexpr const char* kUrlData = "KeyUrlData";
// Spider page.
inline constexpr const char* kSpiderAllowed = "KeySpiderAllowed";
inline constexpr const char* kSpiderBaidu = "KeySpiderBaidu";
inline constexpr const char* kSpider360 = "KeySpider360";
inline constexpr const char* kSpiderSogou = "KeySpiderSogou";
inline constexpr const char* kSpiderGoogle = "KeySpiderGoogle";
inline constexpr const char* kSpiderData = "KeySpiderData";
// Proxy page.
inline constexpr const char* kAgentAllowed = "KeyAgentAllowed";
// Time page.
inline constexpr const char* kTimeAllowed = "KeyTimeAllowed";
inline constexpr const char* kTimeData = "KeyTimeData";
// Referer page.
inline constexpr const char* kReferAllowed = "KeyReferAllowed";
inline constexpr const char* kReferData = "KeyReferData";
// Browser page.
inline constexpr const char* kBrowserAllowed = "KeyBrowserAllowed";
inline constexpr const char* kBrowserLanguageAllowed = "KeyBrowserLanguageAllowed";
inline constexpr const char* kBrowserData = "KeyBrowserData";
inline constexpr const char* kBrowserLanguageData = "KeyBrowserLanguageData";
// OS page.
inline constexpr const char* kOsAllowed = "KeyOsAllowed";
inline constexpr const char* kOsDataWindows = "KeyOsDataWindows";
inline constexpr const char* kOsDataOther = "KeyOsDataOther";
// Editor frame.
inline constexpr const char* kOn = "KeyOn";

// A tag with what a new rule holds; the name's default is made by NewRuleName.
struct TagDefault {
  const char* tag;
  const char* newValue;
};
// Every tag in the order the editor's saves write a new rule.
inline constexpr TagDefault kTagsInSaveOrder[] = {
    {kName, ""},
    {kFileTypeAllowed, "1"},
    {kFileTypes, ""},
    {kNoteType, "4"},
    {kNotePassword, ""},
    {kNoteUrl, ""},
    {kNoteWords, "您的访问被禁止，如有疑问请联系服务器管理员处理。"},
    {kAddWords, "0"},
    {kSendReason, "1"},
    {kAreaAllowed, "0"},
    {kAreaData, ""},
    {kStateAllowed, "0"},
    {kStateData, ""},
    {kAreaIp, ""},
    {kStateIp, ""},
    {kIpAllowed, "0"},
    {kIpData, ""},
    {kSitesAllowed, "0"},
    {kSites, ""},
    {kUrlAllowed, "0"},
    {kUrlData, ""},
    {kSpiderAllowed, "0"},
    {kSpiderBaidu, "0"},
    {kSpider360, "0"},
    {kSpiderSogou, "0"},
    {kSpiderGoogle, "0"},
    {kSpiderData, ""},
    {kAgentAllowed, "1"},
    {kTimeAllowed, "0"},
    {kTimeData, ""},
    {kReferAllowed, "0"},
    {kReferData, ""},
    {kBrowserAllowed, "0"},
    {kBrowserLanguageAllowed, "0"},
    {kBrowserData, ""},
    {kBrowserLanguageData, ""},
    {kOsAllowed, "0"},
    {kOsDataWindows, ""},
    {kOsDataOther, ""},
    {kOn, "1"},
};

// Notice types of KeyNoteType.
enum NoteType : int { kNoteBlank = 1, kNoteLogin = 2, kNoteRedirect = 3, kNoteText = 4 };
// What an empty KeyNoteWords shows.
inline constexpr const char* kNoteWordsMissing = "Access to this server is forbidden from your client";

// "新任务名%d" with ruleCount + 1.
std::string NewRuleName(int ruleCount);
// The text a new rule gets when it is saved unchanged: every tag with its default,
// in save order.
std::string NewRuleText(int ruleCount);

// The value of a tag; a missing tag reads as the empty text.
std::string ReadTag(const std::string& ruleText, const char* tag);
// The value as the pages show it: KeyOn empty counts as "1", KeyNoteType other than
// "1"-"3" as "4", KeyNoteWords empty as kNoteWordsMissing; others as stored.
std::string ReadShownTag(const std::string& ruleText, const char* tag);

// Empty when the value can be stored; otherwise the text to show. Values holding an
// opening or closing tag of the rule or of the store, or "|||||", would break the rule
// or the store around it; anything else (the store's "<0>" among it) is kept as typed.
std::string CheckValue(const std::string& value);
// Writes the tag unless CheckValue refuses the value; then error gets its text.
bool WriteTag(std::string& ruleText, const char* tag, const std::string& value, std::string* error = nullptr);

// Flags: "1" on, "0" off; on exactly for "1".
inline const char* FlagText(bool on) { return on ? "1" : "0"; }
inline bool IsFlagOn(const std::string& value) { return value == "1"; }
// Modes: "1" for the first radio button of a pair, "0" for the second; the
// index is the radio group's (0 first).
inline const char* ModeText(int radioIndex) { return radioIndex == 0 ? "1" : "0"; }
inline int ModeIndex(const std::string& value) { return value == "1" ? 0 : 1; }

bool IsRuleOn(const std::string& ruleText);
int GetNoteType(const std::string& ruleText);

// The rules of a <KeyRuleData> value, in order; pieces under 5 characters dropped.
StringList SplitRuleList(const std::string& ruleData);
// Each rule with "|||||" removed and followed by "|||||".
std::string JoinRuleList(const StringList& rules);

}  // namespace rule
