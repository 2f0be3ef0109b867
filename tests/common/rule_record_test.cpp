#include "common/rule_record.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/config.h"
#include "common/rule_record_fields.h"
#include "common/rule_tokens.h"
#include "common/tag_text.h"

TEST(RuleRecord, NewRuleTextIsPinned) {
  EXPECT_EQ(rule::NewRuleText(2),
            "<KeyName>新任务名3</KeyName>"
            "<KeyFileTypeAllowed>1</KeyFileTypeAllowed>"
            "<KeyFileTypes></KeyFileTypes>"
            "<KeyNoteType>4</KeyNoteType>"
            "<KeyNotePassword></KeyNotePassword>"
            "<KeyNoteUrl></KeyNoteUrl>"
            "<KeyNoteWords>您的访问被禁止，如有疑问请联系服务器管理员处理。</KeyNoteWords>"
            "<KeyAddWords>0</KeyAddWords>"
            "<KeySendReason>1</KeySendReason>"
            "<KeyAreaAllowed>0</KeyAreaAllowed>"
            "<KeyAreaData></KeyAreaData>"
            "<KeyStateAllowed>0</KeyStateAllowed>"
            "<KeyStateData></KeyStateData>"
            "<KeyAreaIp></KeyAreaIp>"
            "<KeyStateIp></KeyStateIp>"
            "<KeyIpAllowed>0</KeyIpAllowed>"
            "<KeyIpData></KeyIpData>"
            "<KeySitesAllowed>0</KeySitesAllowed>"
            "<KeySites></KeySites>"
            "<KeyUrlAllowed>0</KeyUrlAllowed>"
            "<KeyUrlData></KeyUrlData>"
            "<KeySpiderAllowed>0</KeySpiderAllowed>"
            "<KeySpiderBaidu>0</KeySpiderBaidu>"
            "<KeySpider360>0</KeySpider360>"
            "<KeySpiderSogou>0</KeySpiderSogou>"
            "<KeySpiderGoogle>0</KeySpiderGoogle>"
            "<KeySpiderData></KeySpiderData>"
            "<KeyAgentAllowed>1</KeyAgentAllowed>"
            "<KeyTimeAllowed>0</KeyTimeAllowed>"
            "<KeyTimeData></KeyTimeData>"
            "<KeyReferAllowed>0</KeyReferAllowed>"
            "<KeyReferData></KeyReferData>"
            "<KeyBrowserAllowed>0</KeyBrowserAllowed>"
            "<KeyBrowserLanguageAllowed>0</KeyBrowserLanguageAllowed>"
            "<KeyBrowserData></KeyBrowserData>"
            "<KeyBrowserLanguageData></KeyBrowserLanguageData>"
            "<KeyOsAllowed>0</KeyOsAllowed>"
            "<KeyOsDataWindows></KeyOsDataWindows>"
            "<KeyOsDataOther></KeyOsDataOther>"
            "<KeyOn>1</KeyOn>");
  EXPECT_EQ(rule::NewRuleName(0), "新任务名1");
}

TEST(RuleRecord, EveryTagOnceInSaveOrder) {
  std::set<std::string> seen;
  for (const auto& t : rule::kTagsInSaveOrder) EXPECT_TRUE(seen.insert(t.tag).second) << t.tag;
  EXPECT_EQ(seen.size(), 40u);
  EXPECT_STREQ(rule::kTagsInSaveOrder[0].tag, rule::kName);
  EXPECT_STREQ(std::end(rule::kTagsInSaveOrder)[-1].tag, rule::kOn);
}

TEST(RuleRecord, JoinedRuleListIsPinned) {
  const std::string a = rule::NewRuleText(0);
  const std::string b = "<KeyName>b</KeyName><KeyNoteWords>x|||||y</KeyNoteWords><KeyOn>0</KeyOn>";
  const std::string joined = rule::JoinRuleList({a, b});
  EXPECT_EQ(joined, a + "|||||<KeyName>b</KeyName><KeyNoteWords>xy</KeyNoteWords><KeyOn>0</KeyOn>|||||");
  const StringList back = rule::SplitRuleList(joined);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0], a);
  EXPECT_EQ(rule::ReadTag(back[1], rule::kNoteWords), "xy");
}

TEST(RuleRecord, SplitRuleList) {
  const std::string r1 = "<KeyName>one</KeyName>", r2 = "<KeyName>two</KeyName>";
  const struct {
    const char* what;
    std::string data;
    StringList rules;
  } cases[] = {
      {"empty", "", {}},
      {"one", r1 + "|||||", {r1}},
      {"empty piece between separators", r1 + "||||||||||" + r2 + "|||||", {r1, r2}},
      {"short piece dropped", r1 + "|||||abcd|||||" + r2 + "|||||", {r1, r2}},
      {"five characters kept", "abcde|||||", {"abcde"}},
      {"no trailing separator", r1 + "|||||" + r2, {r1, r2}},
      // "\x81|" is one character, so neither run is a separator.
      {"bars inside double-byte pairs", "\x81|||||\x81|||||", {"\x81|||||\x81|||||"}},
  };
  for (const auto& c : cases) EXPECT_EQ(rule::SplitRuleList(c.data), c.rules) << c.what;
}

TEST(RuleRecord, ShownValuesOfMissingTags) {
  const struct {
    const char* rule;
    const char* tag;
    const char* shown;
  } cases[] = {
      {"", rule::kOn, "1"},
      {"<KeyOn></KeyOn>", rule::kOn, "1"},
      {"<KeyOn>0</KeyOn>", rule::kOn, "0"},
      {"", rule::kNoteType, "4"},
      {"<KeyNoteType>2</KeyNoteType>", rule::kNoteType, "2"},
      {"<KeyNoteType>7</KeyNoteType>", rule::kNoteType, "4"},
      {"<KeyNoteType>0</KeyNoteType>", rule::kNoteType, "4"},
      {"", rule::kNoteWords, "Access to this server is forbidden from your client"},
      {"<KeyNoteWords><b>走开</b></KeyNoteWords>", rule::kNoteWords, "<b>走开</b>"},
      {"", rule::kAgentAllowed, ""},
      {"<KeySites>|a.com|</KeySites>", rule::kSites, "|a.com|"},
  };
  for (const auto& c : cases) EXPECT_EQ(rule::ReadShownTag(c.rule, c.tag), c.shown) << c.rule << " " << c.tag;
  EXPECT_TRUE(rule::IsRuleOn("<KeyName>x</KeyName>"));
  EXPECT_FALSE(rule::IsRuleOn("<KeyOn>0</KeyOn>"));
  EXPECT_EQ(rule::GetNoteType("<KeyNoteType>3</KeyNoteType>"), 3);
  EXPECT_EQ(rule::GetNoteType(""), 4);
}

TEST(RuleRecord, ModesAndFlags) {
  EXPECT_STREQ(rule::ModeText(0), "1");
  EXPECT_STREQ(rule::ModeText(1), "0");
  EXPECT_EQ(rule::ModeIndex("1"), 0);
  for (const char* v : {"0", "", "2", " 1"}) EXPECT_EQ(rule::ModeIndex(v), 1) << v;
  EXPECT_TRUE(rule::IsFlagOn("1"));
  EXPECT_FALSE(rule::IsFlagOn(""));
  EXPECT_FALSE(rule::IsFlagOn("true"));
  EXPECT_STREQ(rule::FlagText(true), "1");
  EXPECT_STREQ(rule::FlagText(false), "0");
}

TEST(RuleRecord, ValuesThatWouldBreakTheTextAreRefused) {
  const struct {
    const char* value;
    bool refused;
  } cases[] = {
      {"<script>alert('x')</script>", false},
      {"a<b>c", false},
      {"<0", false},
      {"||||", false},
      {"press <Keyboard> now", false},
      {"</Key", false},
      {"<keyname>", false},
      {"<KeyNam>", false},
      {"x</KeyName><KeyName>y", true},
      {"<KeyOn>0", true},
      {"a</KeyOsDataOther>", true},
      {"<KeyRuleData>", true},
      {"</KeyLogDelDays>", true},
      {"abc<0>", false},
      {"score <0> points", false},
      {"a|||||b", true},
      {"提示|||||", true},
  };
  for (const auto& c : cases) {
    std::string text = "<KeyName>old</KeyName>";
    std::string error = "unset";
    const bool written = rule::WriteTag(text, rule::kNoteWords, c.value, &error);
    EXPECT_EQ(written, !c.refused) << c.value;
    EXPECT_EQ(error.empty(), !c.refused) << c.value;
    if (c.refused) {
      EXPECT_EQ(text, "<KeyName>old</KeyName>") << c.value;
      EXPECT_EQ(rule::CheckValue(c.value), error);
    } else {
      EXPECT_EQ(rule::ReadTag(text, rule::kNoteWords), c.value);
    }
  }
  EXPECT_EQ(rule::CheckValue("a|||||b"), "输入的内容不能包含“|||||”，请修改后再保存。");
  EXPECT_EQ(rule::CheckValue("x</KeyName>"), "输入的内容不能包含“</KeyName>”，请修改后再保存。");
}

TEST(RuleFields, ListFieldEncoding) {
  const struct {
    const char* box;
    bool lower;
    const char* value;
  } cases[] = {
      {"a\r\nb", false, "a|b"},
      {"a\r\n\r\nb", false, "a|b"},
      {"a\r\n\r\n\r\nb", false, "a||b"},
      {"a\r\n\r\n\r\n\r\nb", false, "a||b"},
      {"a\r\n\r\n\r\n\r\n\r\nb", false, "a|||b"},
      // Nine line breaks would leave the rule separator; it becomes one bar.
      {"a\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nb", false, "a|b"},
      {"a\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nb", false, "a|b"},
      {"\r\na\r\n", false, "|a|"},
      {"a\nb\n\nc", false, "a|b|c"},
      {"Zh-CN\r\n<EN>", true, "zh-cn|en"},
      {"Zh-CN\r\n<EN>", false, "Zh-CN|<EN>"},
      {"提示\r\n示", false, "提示|示"},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    const std::string value = rule::EncodeListField(c.box, c.lower);
    EXPECT_EQ(value, c.value) << c.box;
    EXPECT_EQ(value.find("|||||"), std::string::npos);
  }
}

TEST(RuleFields, ListFieldDecoding) {
  const struct {
    const char* value;
    const char* box;
  } cases[] = {
      {"a|b", "a\r\nb"},
      {"a||b", "a\r\nb"},
      {"a|||b", "a\r\n\r\nb"},
      {"", ""},
      {"|a|", "\r\na\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(rule::DecodeListField(c.value), c.box) << c.value;
}

TEST(RuleFields, OtherFieldForms) {
  EXPECT_EQ(rule::EncodeFileTypes("ASP||<PHP>|jpg"), "asp|php|jpg");
  EXPECT_EQ(rule::DecodeFileTypes("asp||php"), "asp|php");
  EXPECT_EQ(rule::EncodeSites("WWW.A.com\r\n<b>.com"), "www.a.com|b.com");
  EXPECT_EQ(rule::DecodeSites("|a.com|b.com|"), "a.com\r\nb.com");
  EXPECT_EQ(rule::DecodeSites("a.com"), "a.com");
  // Doubled bars go before the outer ones, as the URL page shows them.
  EXPECT_EQ(rule::DecodeSites("||a|"), "a");
  EXPECT_EQ(rule::EncodeNoteUrl("WWW.A.com/X", rule::kNoteRedirect), "http://www.a.com/x");
  EXPECT_EQ(rule::EncodeNoteUrl("HTTP://a.com", rule::kNoteRedirect), "http://a.com");
  EXPECT_EQ(rule::EncodeNoteUrl("http://a.com", rule::kNoteRedirect), "http://a.com");
  // An address that names its own scheme keeps it.
  EXPECT_EQ(rule::EncodeNoteUrl("https://A.com/X", rule::kNoteRedirect), "https://a.com/x");
  EXPECT_EQ(rule::EncodeNoteUrl("HTTPS://a.com", rule::kNoteRedirect), "https://a.com");
  EXPECT_EQ(rule::EncodeNoteUrl("a.com/?u=http://b", rule::kNoteRedirect), "http://a.com/?u=http://b");
  EXPECT_EQ(rule::EncodeNoteUrl("WWW.A.com", rule::kNoteText), "WWW.A.com");
  EXPECT_EQ(rule::JoinChosenNames({"中国", "日本"}), "|中国|日本");
  EXPECT_EQ(rule::JoinChosenNames({}), "");
  EXPECT_EQ(rule::SplitChosenNames("|中国||日本"), (StringList{"中国", "日本"}));
}

TEST(RuleTokens, LanguageData) {
  bool ticked[rule::kLanguageCount] = {true, true};
  EXPECT_EQ(rule::ComposeLanguageData("zh-CN", ticked), "zh-cn|zh|en|");
  bool none[rule::kLanguageCount] = {};
  EXPECT_EQ(rule::ComposeLanguageData("", none), "");
  bool ja[rule::kLanguageCount] = {};
  ja[5] = true;
  EXPECT_EQ(rule::ComposeLanguageData("", ja), "|ja|");
  EXPECT_EQ(rule::ComposeLanguageData("a\r\n|ja|", ja), "a|ja|");

  bool back[rule::kLanguageCount];
  EXPECT_EQ(rule::ParseLanguageData("zh-cn|zh|en|", back), "zh-cn");
  EXPECT_TRUE(back[0] && back[1]);
  for (int i = 2; i < rule::kLanguageCount; ++i) EXPECT_FALSE(back[i]) << i;
  EXPECT_EQ(rule::ParseLanguageData("X-Y|Q", back), "x-y\r\nq");
  for (int i = 0; i < rule::kLanguageCount; ++i) EXPECT_FALSE(back[i]) << i;
}

TEST(RuleTokens, OsData) {
  using namespace rule;
  const struct {
    std::set<int> boxes;
    const char* value;
  } cases[] = {
      {{}, ""},
      {{kOsNt10, kOsLinux}, "|windows nt 10.|linux|"},
      {{kOsNt10, kOsNt6, kOsLinux}, "|windows nt 10.|windows nt 6.|linux|"},
      {{kOsAllWindows, kOsNt5, kOsMac}, "|windows |macos|"},
      {{kOsAndroid}, "|andriod|"},
      {{kOsNt5, kOsUnix, kOsMac}, "|windows nt 5.|unix|macos|"},
  };
  for (const auto& c : cases) {
    bool ticked[kOsCount] = {};
    for (int b : c.boxes) ticked[b] = true;
    EXPECT_EQ(ComposeOsData(ticked), c.value);
    bool back[kOsCount];
    ParseOsData(c.value, back);
    for (int i = 0; i < kOsCount; ++i) {
      const bool all = c.boxes.count(kOsAllWindows) > 0;
      const bool expected = (all && i <= kOsNt5) || (!all && c.boxes.count(i) > 0) ||
                            (all && i > kOsNt5 && c.boxes.count(i) > 0);
      EXPECT_EQ(back[i], expected) << c.value << " box " << i;
    }
  }
}

TEST(RuleTokens, AddBrowserToken) {
  std::string box;
  EXPECT_TRUE(rule::AddBrowserToken(box, "MSIE"));
  EXPECT_EQ(box, "msie");
  EXPECT_FALSE(rule::AddBrowserToken(box, "msie"));
  EXPECT_TRUE(rule::AddBrowserToken(box, "QQBrowser|TencentTraveler"));
  EXPECT_EQ(box, "msie\r\nqqbrowser\r\ntencenttraveler");
  EXPECT_FALSE(rule::AddBrowserToken(box, "QQBrowser|TencentTraveler"));
  // Adding lower-cases what was typed.
  std::string typed = "MyAgent\r\n\r\n";
  EXPECT_TRUE(rule::AddBrowserToken(typed, "Chrome"));
  EXPECT_EQ(typed, "myagent\r\nchrome");
  // Each piece counts only beside the other, in order.
  std::string apart = "tencenttraveler\nqqbrowser";
  EXPECT_TRUE(rule::AddBrowserToken(apart, "QQBrowser|TencentTraveler"));
}

TEST(RuleTokens, Tables) {
  EXPECT_EQ(std::size(rule::kBrowserTokens), 13u);
  EXPECT_EQ(std::size(rule::kLanguageTokens), size_t(rule::kLanguageCount));
  EXPECT_EQ(std::size(rule::kOsTokens), size_t(rule::kOsCount));
  for (const auto& s : rule::kSpiderFlags) {
    EXPECT_NE(rule::NewRuleText(0).find(OpenTag(s.token)), std::string::npos) << s.token;
  }
}

TEST(RuleRecord, ThroughTheStore) {
  // Rules written by the record and joined into the store come back whole.
  std::string r = rule::NewRuleText(0);
  ASSERT_TRUE(rule::WriteTag(r, rule::kIpData, rule::EncodeListField("1.2.3.4\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n5.6.7.8")));
  CConfig config;
  config.SetRuleData(rule::JoinRuleList({r, rule::NewRuleText(1)}));
  const StringList rules = rule::SplitRuleList(config.GetRuleData());
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rule::DecodeListField(rule::ReadTag(rules[0], rule::kIpData)), "1.2.3.4\r\n5.6.7.8");
  EXPECT_EQ(rule::ReadTag(rules[1], rule::kName), "新任务名2");
}
