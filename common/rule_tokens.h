#pragma once
// The tokens the browser, OS and spider pages offer, and how their ticked boxes
// become tag values and back.
#include <string>

namespace rule {

struct BrowserToken {
  const char* token;  // a row's token may hold two pieces joined by "|"
  const char* name;
};
inline constexpr BrowserToken kBrowserTokens[] = {
    {"MSIE", "Internet Explorer"},
    {"Maxthon", "遨游浏览器"},
    {"QQBrowser|TencentTraveler", "QQ浏览器"},
    {"Chrome", "谷歌浏览器"},
    {"360SE", "360安全浏览器"},
    {"Firefox", "火狐浏览器"},
    {"Opera", "欧鹏浏览器"},
    {"LBBrowser", "猎豹浏览器"},
    {"TheWorld", "世界之窗浏览器"},
    {"MetaSr", "搜狗浏览器"},
    {"UCBrowser", "UC浏览器"},
    {"TaoBrowser", "淘宝浏览器"},
    {"Mobile", "(移动端浏览器)"},
};

struct LabelToken {
  const char* label;
  const char* token;
};
// In the order their tokens are appended.
inline constexpr LabelToken kLanguageTokens[] = {
    {"中文系", "|zh|"},   {"英语", "|en|"},     {"法语", "|fr|"},
    {"德语", "|de|"},     {"俄语", "|ru|"},     {"日语", "|ja|"},
    {"阿拉伯语", "|ar|"}, {"西班牙语", "|es|"}, {"意大利语", "|it|"},
};
inline constexpr int kLanguageCount = 9;

// The OS boxes in the order their tokens are written; the first stands for every
// Windows version and hides the next three.
inline constexpr LabelToken kOsTokens[] = {
    {"Windows 全系列", "|windows |"},
    {"Windows NT 10.x(Win10)", "|windows nt 10.|"},
    {"Windows NT 6.x(Win2012/2008/Win8/Win7)", "|windows nt 6.|"},
    {"Windows NT 5.x(Win2003/WinXP/Win2000)", "|windows nt 5.|"},
    {"Linux 全系列", "|linux|"},
    {"Unix 全系列", "|unix|"},
    {"Android 全系列", "|andriod|"},
    {"Mac OS", "|macos|"},
};
inline constexpr int kOsCount = 8;
enum OsBox : int { kOsAllWindows = 0, kOsNt10, kOsNt6, kOsNt5, kOsLinux, kOsUnix, kOsAndroid, kOsMac };

// The spider flags with their tags.
inline constexpr LabelToken kSpiderFlags[] = {
    {"百度搜索", "KeySpiderBaidu"},
    {"360搜索(好搜)", "KeySpider360"},
    {"搜狗搜索", "KeySpiderSogou"},
    {"Google搜索", "KeySpiderGoogle"},
};

// KeyBrowserLanguageData from the other-languages box and the ticked languages.
std::string ComposeLanguageData(const std::string& otherBox, const bool ticked[kLanguageCount]);
// The ticked languages of a value; returns the other-languages box text.
std::string ParseLanguageData(const std::string& value, bool ticked[kLanguageCount]);

// KeyOsDataWindows from the eight boxes (indexed by OsBox).
std::string ComposeOsData(const bool ticked[kOsCount]);
// The eight boxes of a value; with all Windows every Windows box is ticked.
void ParseOsData(const std::string& value, bool ticked[kOsCount]);

// The browser box with a table token added (lower-cased, each piece a line); false
// and unchanged when the box already holds it.
bool AddBrowserToken(std::string& browserBox, const std::string& token);

}  // namespace rule
