#include "resources/panel_ruleext_dialogs.h"

#include "resources/panel_ruleext_ids.h"

namespace res {

namespace {

using ui::ControlKind;
namespace st = ui::style;
namespace ds = ui::dialog_style;
using namespace res::panel;

constexpr unsigned kRadio = st::kAutoCheck | st::kTabStop;
constexpr unsigned kCheck = st::kAutoCheck | st::kTabStop;
constexpr unsigned kBox = st::kMultiline | st::kWantReturn | st::kVScroll | st::kBorder | st::kTabStop;
constexpr unsigned kList = st::kBorder | st::kShowSelAlways | st::kTabStop;
constexpr unsigned kLink = st::kNotify;

// 750 x 403 pixels at 6 x 12 base units, the place the holders give every page. Only
// its top-left 544 x 356 pixels show inside the holder: every control lies within
// 362 x 237 dialog units.
ui::DialogTemplate Page(int id) {
  ui::DialogTemplate t;
  t.id = id;
  t.style = ds::kChild;
  t.cx = 500;
  t.cy = 268;
  t.fontFace = "宋体";
  t.fontPoints = 9;
  return t;
}

// The hidden "保存"; its group bit closes the radio group before it.
ui::ControlTemplate SaveButton() {
  return {kIdcRulePageSave, ControlKind::Button, "保存", 306, 220, 50, 14, st::kHidden | st::kGroup};
}

ui::DialogTemplate AreaTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleArea);
  t.controls = {
      {kIdcAreaCountryAllow, ControlKind::RadioButton, "只允许以下区域访问", 8, 4, 88, 10, kRadio | st::kGroup},
      {kIdcAreaCountryDeny, ControlKind::RadioButton, "只禁止以下区域访问", 98, 4, 88, 10, kRadio},
      {-1, ControlKind::Static, "备选区域", 192, 6, 60, 10, st::kGroup},
      {kIdcAreaCountriesChosen, ControlKind::ListView, "", 8, 16, 150, 96, kList},
      {kIdcAreaAddCountry, ControlKind::Button, "<", 164, 42, 22, 14, st::kOwnerDraw | st::kTabStop},
      {kIdcAreaRemoveCountry, ControlKind::Button, ">", 164, 64, 22, 14, st::kOwnerDraw | st::kTabStop},
      {kIdcAreaCountriesFree, ControlKind::ListView, "", 192, 16, 125, 96, kList},
      {kIdcAreaProvinceAllow, ControlKind::RadioButton, "只允许以下省份访问", 8, 118, 88, 10, kRadio | st::kGroup},
      {kIdcAreaProvinceDeny, ControlKind::RadioButton, "只禁止以下省份访问", 98, 118, 88, 10, kRadio},
      {-1, ControlKind::Static, "备选省份", 192, 120, 60, 10, st::kGroup},
      {kIdcAreaProvincesChosen, ControlKind::ListView, "", 8, 130, 150, 96, kList},
      {kIdcAreaAddProvince, ControlKind::Button, "<", 164, 156, 22, 14, st::kOwnerDraw | st::kTabStop},
      {kIdcAreaRemoveProvince, ControlKind::Button, ">", 164, 178, 22, 14, st::kOwnerDraw | st::kTabStop},
      {kIdcAreaProvincesFree, ControlKind::ListView, "", 192, 130, 125, 96, kList},
      SaveButton(),
  };
  return t;
}

ui::DialogTemplate IpTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleIp);
  t.controls = {
      {kIdcIpAllow, ControlKind::RadioButton, "只允许以下IP访问，其余禁止", 8, 6, 200, 10, kRadio | st::kGroup},
      {kIdcIpDeny, ControlKind::RadioButton, "只禁止以下IP访问，其余允许", 8, 20, 200, 10, kRadio},
      {kIdcIpData, ControlKind::Edit, "", 8, 36, 320, 160, kBox | st::kGroup},
      {kIdcIpHint, ControlKind::Static, "IP段格式：192.168.2.2-192.168.2.*，（闭区间），支持“*”", 8, 202, 320, 10, 0},
      {-1, ControlKind::Static, "多个请用换行符分隔", 8, 214, 200, 10, 0},
      {kIdcIpFeedback, ControlKind::Static, "反馈", 300, 214, 28, 10, 0},
      SaveButton(),
  };
  return t;
}

ui::DialogTemplate UrlTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleUrl);
  t.controls = {
      {kIdcUrlSitesLabel, ControlKind::Static, "1、监控域名（多个域名请用换行符分隔）", 8, 4, 240, 10, 0},
      {kIdcUrlSitesOnly, ControlKind::RadioButton, "只监控以下域名，其余不监控", 8, 16, 150, 10, kRadio | st::kGroup},
      {kIdcUrlSitesExcept, ControlKind::RadioButton, "不监控以下域名，其余监控", 164, 16, 150, 10, kRadio},
      {kIdcUrlSites, ControlKind::Edit, "", 8, 30, 300, 76, kBox | st::kGroup},
      {kIdcUrlBrowse, ControlKind::Button, "浏览..", 314, 30, 44, 14, st::kOwnerDraw | st::kTabStop},
      {kIdcUrlListLabel, ControlKind::Static, "2、URL黑白名单（多个名单请用换行符分隔）", 8, 112, 240, 10, 0},
      {kIdcUrlWhite, ControlKind::RadioButton, "以下URL为白名单", 8, 124, 150, 10, kRadio | st::kGroup},
      {kIdcUrlBlack, ControlKind::RadioButton, "以下URL为黑名单", 164, 124, 150, 10, kRadio},
      {kIdcUrlData, ControlKind::Edit, "", 8, 138, 300, 70, kBox | st::kGroup},
      {kIdcUrlHint, ControlKind::Static, "URL为全部或部分URL段，不含“http://”，如“/admin/admin_*.asp”", 8, 212, 340, 10, 0},
      {-1, ControlKind::Static, "支持*通配符。", 8, 224, 200, 10, 0},
      SaveButton(),
  };
  return t;
}

ui::DialogTemplate SpiderTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleSpider);
  t.controls = {
      {kIdcSpiderAllow, ControlKind::RadioButton, "只允许以下蜘蛛访问", 8, 6, 110, 10, kRadio | st::kGroup},
      {kIdcSpiderDeny, ControlKind::RadioButton, "只禁止以下蜘蛛访问，其余允许", 122, 6, 160, 10, kRadio},
      {kIdcSpiderFlags[0], ControlKind::CheckBox, "百度搜索", 8, 24, 54, 10, kCheck | st::kGroup},
      {kIdcSpiderFlags[1], ControlKind::CheckBox, "360搜索(好搜)", 66, 24, 70, 10, kCheck},
      {kIdcSpiderFlags[2], ControlKind::CheckBox, "搜狗搜索", 140, 24, 54, 10, kCheck},
      {kIdcSpiderFlags[3], ControlKind::CheckBox, "Google搜索", 198, 24, 62, 10, kCheck},
      {kIdcSpiderCommon, ControlKind::Button, "常用蜘蛛", 270, 22, 50, 14, st::kOwnerDraw | st::kTabStop},
      {-1, ControlKind::Static, "请输入其他蜘蛛特征（多个请用换行符分隔）", 8, 42, 240, 10, 0},
      {kIdcSpiderData, ControlKind::Edit, "", 8, 54, 300, 150, kBox},
      {-1, ControlKind::Static, "蜘蛛又称搜索引擎爬虫，格式：baidu spider", 8, 210, 300, 10, 0},
      {-1, ControlKind::Static, "以上设置只对蜘蛛访问有效，不会影响正常访问。", 8, 222, 300, 10, 0},
      SaveButton(),
  };
  return t;
}

ui::DialogTemplate TimeTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleTime);
  t.controls = {
      {kIdcTimeAllow, ControlKind::RadioButton, "以下时间段允许访问，其他时间禁止访问", 8, 6, 220, 10, kRadio | st::kGroup},
      {kIdcTimeDeny, ControlKind::RadioButton, "以下时间段禁止访问，其他时间允许访问", 8, 20, 220, 10, kRadio},
      {kIdcTimeData, ControlKind::Edit, "", 8, 36, 300, 170, kBox | st::kGroup},
      {-1, ControlKind::Static, "时间段格式：02:00-13:20，多个时间点请用换行分隔。", 8, 212, 260, 10, 0},
      {kIdcTimeHelp, ControlKind::Static, "填写说明", 272, 212, 40, 10, kLink},
      SaveButton(),
  };
  return t;
}

ui::DialogTemplate ReferTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleRefer);
  t.controls = {
      {kIdcReferAllow, ControlKind::RadioButton, "只允许以下来路访问，其余禁止", 8, 6, 200, 10, kRadio | st::kGroup},
      {kIdcReferDeny, ControlKind::RadioButton, "只禁止以下来路访问，其余允许", 8, 20, 200, 10, kRadio},
      {kIdcReferData, ControlKind::Edit, "", 8, 36, 300, 170, kBox | st::kGroup},
      {-1, ControlKind::Static, "网页来路，格式：*.example.com，支持*通配符，多个请用换行分隔。", 8, 212, 300, 10, 0},
      {kIdcReferHelp, ControlKind::Static, "填写说明", 312, 212, 40, 10, kLink},
      SaveButton(),
  };
  return t;
}

ui::DialogTemplate BrowserTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleBrowser);
  t.controls = {
      {kIdcBrowserAllow, ControlKind::RadioButton, "只允许以下浏览器访问，其余禁止", 8, 4, 200, 10, kRadio | st::kGroup},
      {kIdcBrowserDeny, ControlKind::RadioButton, "只禁止以下浏览器访问，其余允许", 8, 16, 200, 10, kRadio},
      {kIdcBrowserData, ControlKind::Edit, "", 8, 30, 146, 100, kBox | st::kGroup},
      {kIdcBrowserAdd, ControlKind::Button, "<", 160, 54, 22, 14, st::kOwnerDraw | st::kTabStop},
      {kIdcBrowserAddAll, ControlKind::Button, "<<", 160, 74, 22, 14, st::kOwnerDraw | st::kTabStop},
      {kIdcBrowserChoose, ControlKind::Button, "选择>>", 160, 94, 22, 14, st::kOwnerDraw | st::kHidden},
      {kIdcBrowserTable, ControlKind::ListView, "", 188, 30, 136, 100, kList | st::kSingleSel},
      {kIdcBrowserTableHelp, ControlKind::Static, "填写说明", 328, 30, 32, 10, kLink},
      {kIdcBrowserLanguageAllow, ControlKind::RadioButton, "以下语言的浏览器允许访问", 8, 136, 200, 10, kRadio | st::kGroup},
      {kIdcBrowserLanguageDeny, ControlKind::RadioButton, "允许所有，以下语言的浏览器禁止访问", 8, 148, 200, 10, kRadio},
      {kIdcBrowserLanguages[0], ControlKind::CheckBox, "中文系", 8, 162, 56, 10, kCheck | st::kGroup},
      {kIdcBrowserLanguages[1], ControlKind::CheckBox, "英语", 68, 162, 56, 10, kCheck},
      {kIdcBrowserLanguages[2], ControlKind::CheckBox, "法语", 128, 162, 56, 10, kCheck},
      {kIdcBrowserLanguages[3], ControlKind::CheckBox, "德语", 188, 162, 56, 10, kCheck},
      {kIdcBrowserLanguages[4], ControlKind::CheckBox, "俄语", 248, 162, 56, 10, kCheck},
      {kIdcBrowserLanguages[5], ControlKind::CheckBox, "日语", 8, 174, 56, 10, kCheck},
      {kIdcBrowserLanguages[6], ControlKind::CheckBox, "阿拉伯语", 68, 174, 56, 10, kCheck},
      {kIdcBrowserLanguages[7], ControlKind::CheckBox, "西班牙语", 128, 174, 56, 10, kCheck},
      {kIdcBrowserLanguages[8], ControlKind::CheckBox, "意大利语", 188, 174, 56, 10, kCheck},
      {-1, ControlKind::Static, "其他", 8, 192, 20, 10, 0},
      {kIdcBrowserOtherLanguages, ControlKind::Edit, "", 30, 190, 150, 40, kBox},
      {-1, ControlKind::Static, "zh-cn，多个请用换行分隔", 186, 192, 120, 10, 0},
      {kIdcBrowserLanguageHelp, ControlKind::Static, "填写说明", 186, 206, 40, 10, kLink},
      SaveButton(),
  };
  return t;
}

ui::DialogTemplate OsTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleOs);
  t.controls = {
      {kIdcOsAllow, ControlKind::RadioButton, "以下操作系统允许访问，其余禁止", 8, 4, 200, 10, kRadio | st::kGroup},
      {kIdcOsDeny, ControlKind::RadioButton, "以下操作系统禁止访问，其余允许", 8, 16, 200, 10, kRadio},
      {kIdcOsBoxes[0], ControlKind::CheckBox, "Windows 全系列", 8, 30, 200, 10, kCheck | st::kGroup},
      {kIdcOsBoxes[1], ControlKind::CheckBox, "Windows NT 10.x(Win10)", 20, 42, 200, 10, kCheck},
      {kIdcOsBoxes[2], ControlKind::CheckBox, "Windows NT 6.x(Win2012/2008/Win8/Win7)", 20, 54, 200, 10, kCheck},
      {kIdcOsBoxes[3], ControlKind::CheckBox, "Windows NT 5.x(Win2003/WinXP/Win2000)", 20, 66, 200, 10, kCheck},
      {kIdcOsBoxes[4], ControlKind::CheckBox, "Linux 全系列", 8, 80, 200, 10, kCheck},
      {kIdcOsBoxes[5], ControlKind::CheckBox, "Unix 全系列", 8, 92, 200, 10, kCheck},
      {kIdcOsBoxes[6], ControlKind::CheckBox, "Android 全系列", 8, 104, 200, 10, kCheck},
      {kIdcOsBoxes[7], ControlKind::CheckBox, "Mac OS", 8, 116, 200, 10, kCheck},
      {-1, ControlKind::Static, "其他，请自行输入，如 Linux：", 8, 132, 200, 10, 0},
      {kIdcOsOther, ControlKind::Edit, "", 8, 144, 250, 76, kBox},
      {kIdcOsHelp, ControlKind::Static, "填写参考", 264, 144, 40, 10, kLink},
      SaveButton(),
  };
  return t;
}

ui::DialogTemplate AgentTemplate() {
  ui::DialogTemplate t = Page(kDlgRuleAgent);
  // 750 x 403 pixels at this font's 6 x 13; 219 dialog units high show.
  t.cy = 248;
  t.fontFace = "MS Shell Dlg";
  t.fontPoints = 8;
  t.controls = {
      {kIdcAgentAllow, ControlKind::RadioButton, "允许通过代理访问网站", 8, 8, 160, 10, kRadio | st::kGroup},
      {kIdcAgentDeny, ControlKind::RadioButton, "禁止通过代理访问网站", 8, 24, 160, 10, kRadio},
      {kIdcRulePageSave, ControlKind::Button, "保存", 306, 200, 50, 14, st::kHidden | st::kGroup},
  };
  return t;
}

}  // namespace

void AddRuleExtDialogs(ui::ResourceSet& set) {
  set.AddDialog(AreaTemplate());
  set.AddDialog(IpTemplate());
  set.AddDialog(UrlTemplate());
  set.AddDialog(SpiderTemplate());
  set.AddDialog(TimeTemplate());
  set.AddDialog(ReferTemplate());
  set.AddDialog(BrowserTemplate());
  set.AddDialog(OsTemplate());
  set.AddDialog(AgentTemplate());
}

}  // namespace res
