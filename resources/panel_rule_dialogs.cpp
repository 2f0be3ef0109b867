#include "resources/panel_rule_dialogs.h"

#include "platform/ui/ui_hooks.h"
#include "resources/panel_ids.h"
#include "resources/panel_rule_ids.h"
#include "resources/placeholder_art.h"

namespace res {

namespace {
using ui::ControlKind;
namespace st = ui::style;
namespace ds = ui::dialog_style;
using namespace res::panel;

constexpr unsigned kPush = st::kOwnerDraw | st::kTabStop;
constexpr unsigned kCheck = st::kAutoCheck | st::kTabStop;
constexpr unsigned kEdit = st::kBorder | st::kTabStop;
constexpr unsigned kMultiEdit = kEdit | st::kMultiline | st::kWantReturn | st::kVScroll;

ui::DialogTemplate ChildTemplate(int id, int cx, int cy) {
  ui::DialogTemplate t;
  t.id = id;
  t.style = ds::kChild;
  t.cx = cx;
  t.cy = cy;
  t.fontFace = "宋体";
  t.fontPoints = 9;
  return t;
}

ui::DialogTemplate RuleListTemplate() {
  ui::DialogTemplate t = ChildTemplate(kDlgRuleList, 433, 252);
  t.controls = {
      {kIdcRuleCount, ControlKind::Static, "任务规则列表(一共 0 条)", 7, 7, 200, 10, 0},
      {kIdcRuleProgress, ControlKind::Static, "", 330, 7, 96, 10, st::kRight},
      {kIdcRuleList, ControlKind::ListView, "", 7, 19, 419, 200,
       st::kBorder | st::kTabStop | st::kSingleSel | st::kShowSelAlways | st::kNoSortHeader},
      {kIdcRuleAdd, ControlKind::Button, "添加任务", 18, 227, 50, 17, kPush | st::kGroup},
      {kIdcRuleEdit, ControlKind::Button, "编辑任务", 82, 227, 50, 17, kPush},
      {kIdcRuleDelete, ControlKind::Button, "删除任务", 146, 227, 50, 17, kPush},
  };
  return t;
}

// 670 x 490 pixels; the editor sizes itself anyway.
ui::DialogTemplate RuleEditorTemplate() {
  ui::DialogTemplate t;
  t.id = kDlgRuleEditor;
  t.style = ds::kPopup | ds::kCentered | ds::kAppWindow;
  t.cx = 447;
  t.cy = 327;
  t.caption = "Qor·网站访问控制系统 - 规则设置";
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      // Right of the shield that the background picture shows at the top left.
      {kIdcEditorTitle, ControlKind::Static, "规则设置 - Qor·网站访问控制系统", 26, 6, 200, 10, 0},
      {kIdcEditorCloseText, ControlKind::Static, "关", 400, 4, 12, 10, st::kNotify},
      {kIdcEditorClose, ControlKind::Button, "", 418, 2, 16, 16, st::kOwnerDraw},
      {kIdcEditorBasic, ControlKind::Button, "基本设置", 8, 34, 56, 18, kPush | st::kGroup},
      {kIdcEditorAdvanced, ControlKind::Button, "高级设置", 70, 34, 56, 18, kPush},
      {kIdcEditorOn, ControlKind::CheckBox, "开启任务", 360, 38, 60, 12, kCheck},
      // White text: on the header band, under the title.
      {kIdcEditorNote, ControlKind::Static, "注：修改配置规则后，重启IIS立即生效", 26, 20, 200, 10, 0},
      {kIdOk, ControlKind::Button, "保存", 310, 302, 56, 18, kPush | st::kDefault},
      {kIdCancel, ControlKind::Button, "关闭", 376, 302, 56, 18, kPush},
  };
  return t;
}

// 640 x 360 pixels: five page buttons in a column on the left, the page beside them.
ui::DialogTemplate RuleBaseHolderTemplate() {
  ui::DialogTemplate t = ChildTemplate(kDlgRuleBaseHolder, 427, 240);
  t.controls = {
      {kIdcBaseLabel, ControlKind::Button, "[基础设置]", 4, 3, 56, 30, st::kOwnerDraw},
      {kIdcShowBase, ControlKind::Button, "基本设置", 4, 38, 56, 32, kPush},
      {kIdcShowArea, ControlKind::Button, "区域设置", 4, 74, 56, 32, kPush},
      {kIdcShowIp, ControlKind::Button, "IP 设置", 4, 110, 56, 32, kPush},
      {kIdcShowUrl, ControlKind::Button, "URL设置", 4, 146, 56, 32, kPush},
      {kIdcShowNotice, ControlKind::Button, "拦截提示", 4, 182, 56, 32, kPush},
  };
  return t;
}

ui::DialogTemplate RuleExtHolderTemplate() {
  ui::DialogTemplate t = ChildTemplate(kDlgRuleExtHolder, 427, 240);
  t.controls = {
      {kIdcExtLabel, ControlKind::Button, "[高级设置]", 4, 3, 56, 26, st::kOwnerDraw},
      {kIdcShowSpider, ControlKind::Button, "蜘蛛设置", 4, 32, 56, 32, kPush},
      {kIdcShowAgent, ControlKind::Button, "禁止代理", 4, 66, 56, 32, kPush},
      {kIdcShowTime, ControlKind::Button, "时间设置", 4, 100, 56, 32, kPush},
      {kIdcShowRefer, ControlKind::Button, "来路限制", 4, 134, 56, 32, kPush},
      {kIdcShowBrowser, ControlKind::Button, "浏览器限制", 4, 168, 56, 32, kPush},
      {kIdcShowOs, ControlKind::Button, "操作系统", 4, 202, 56, 32, kPush},
  };
  return t;
}

ui::DialogTemplate RuleBaseTemplate() {
  ui::DialogTemplate t = ChildTemplate(kDlgRuleBase, 360, 236);
  t.controls = {
      {-1, ControlKind::Static, "1、任务名:", 8, 8, 44, 10, 0},
      {kIdcBaseName, ControlKind::Edit, "", 54, 6, 200, 13, kEdit | st::kGroup},
      {kIdcBaseFileTypeOnly, ControlKind::RadioButton, "只监控以下文件类型", 8, 26, 96, 10, kCheck | st::kGroup},
      {kIdcBaseFileTypeNot, ControlKind::RadioButton, "不监控以下文件类型", 112, 26, 96, 10, kCheck},
      {kIdcBaseFileTypes, ControlKind::Edit, "", 8, 40, 340, 13, kEdit | st::kGroup},
      {kIdcBaseHint, ControlKind::Static, "说明：请填写完整或部分URL，不含“http://”", 8, 57, 340, 10, 0},
      {-1, ControlKind::Static, "2、请选择客户端被拦截的提示类型：", 8, 74, 200, 10, 0},
      {kIdcBaseNoteBlank, ControlKind::RadioButton, "受限时出现空白页面", 16, 87, 330, 10, kCheck | st::kGroup},
      {kIdcBaseNoteLogin, ControlKind::RadioButton,
       "受限时出现登录页面,输入密码后对该IP放行，重启IIS失效（不低于4位）", 16, 100, 330, 10, kCheck},
      {kIdcBaseNoteRedirect, ControlKind::RadioButton, "受限时跳转到指定页面,用 http:// 开头", 16, 113, 330, 10,
       kCheck},
      {kIdcBaseNoteText, ControlKind::RadioButton, "受限时显示自定义字符串,支持js代码", 16, 126, 330, 10, kCheck},
      {-1, ControlKind::Static, "登录密码：", 16, 143, 56, 10, st::kGroup},
      {kIdcBasePassword, ControlKind::Edit, "", 76, 141, 120, 13, kEdit},
      {-1, ControlKind::Static, "页面设置：", 16, 160, 56, 10, 0},
      {kIdcBaseUrl, ControlKind::Edit, "", 76, 158, 272, 13, kEdit},
      {-1, ControlKind::Static, "自定义字符串：", 16, 177, 60, 10, 0},
      {kIdcBaseWords, ControlKind::Edit, "", 76, 175, 272, 34, kMultiEdit},
      {kIdcBaseSendReason, ControlKind::CheckBox, "拦截时输出拦截原因到客户端浏览器", 8, 216, 170, 10, kCheck},
      {kIdcBaseAddWords, ControlKind::CheckBox, "同时输出自定义字符串", 190, 216, 120, 10, kCheck},
      {kIdcRulePageSave, ControlKind::Button, "保存", 300, 4, 50, 14, st::kHidden},
  };
  return t;
}

ui::DialogTemplate RuleNoticeTemplate() {
  ui::DialogTemplate t = ChildTemplate(kDlgRuleNotice, 360, 236);
  t.controls = {
      {-1, ControlKind::Static, "请选择客户端被拦截的提示类型：", 8, 8, 200, 10, 0},
      {kIdcNoteBlank, ControlKind::RadioButton, "受限时出现404页面", 16, 22, 330, 10, kCheck | st::kGroup},
      {kIdcNoteLogin, ControlKind::RadioButton,
       "受限时出现登录页面,输入密码后对该IP放行，重启IIS失效（不低于4位）", 16, 35, 330, 10, kCheck},
      {kIdcNoteRedirect, ControlKind::RadioButton, "受限时跳转到指定页面,用 http:// 开头", 16, 48, 330, 10, kCheck},
      {kIdcNoteText, ControlKind::RadioButton, "受限时显示自定义字符串,支持js代码", 16, 61, 330, 10, kCheck},
      {-1, ControlKind::Static, "登录密码：", 16, 80, 56, 10, st::kGroup},
      {kIdcNotePassword, ControlKind::Edit, "", 76, 78, 120, 13, kEdit},
      {-1, ControlKind::Static, "页面设置：", 16, 97, 56, 10, 0},
      {kIdcNoteUrl, ControlKind::Edit, "", 76, 95, 272, 13, kEdit},
      {kIdcNoteWords, ControlKind::Edit, "", 16, 114, 332, 100, kMultiEdit},
  };
  return t;
}

ui::DialogTemplate SelSitesTemplate() {
  ui::DialogTemplate t;
  t.id = kDlgSelSites;
  t.style = ds::kPopup | ds::kCaption | ds::kSysMenu | ds::kCentered;
  t.cx = 290;
  t.cy = 220;
  t.caption = "监控站点选择 - Qor";
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {-1, ControlKind::Static, "请选择需要限制的网站", 7, 7, 200, 10, 0},
      {kIdcSitesList, ControlKind::ListView, "", 7, 19, 276, 172,
       st::kBorder | st::kTabStop | st::kShowSelAlways | st::kNoSortHeader},
      {kIdOk, ControlKind::Button, "确定", 170, 198, 50, 16, kPush | st::kDefault | st::kGroup},
      {kIdCancel, ControlKind::Button, "取消", 232, 198, 50, 16, kPush},
  };
  return t;
}

}  // namespace

void AddRuleDialogs(ui::ResourceSet& set) {
  set.AddDialog(RuleListTemplate());
  set.AddDialog(RuleEditorTemplate());
  set.AddDialog(RuleBaseHolderTemplate());
  set.AddDialog(RuleExtHolderTemplate());
  set.AddDialog(RuleBaseTemplate());
  set.AddDialog(RuleNoticeTemplate());
  set.AddDialog(SelSitesTemplate());

  set.AddMenu(ui::Menu{kMenuRuleList,
                       {ui::MenuPopup("规则右键菜单",
                                      {ui::MenuCommand(kCmdRuleAdd, "添加规则(&A)"),
                                       ui::MenuCommand(kCmdRuleEdit, "修改规则(&M)"),
                                       ui::MenuCommand(kCmdRuleDelete, "删除规则(&D)"), ui::MenuSeparator(),
                                       ui::MenuCommand(kCmdRuleRefresh, "刷新(&R)")})}});

  // Buttons of the advanced holder and the two group labels.
  set.AddBitmap(kBmpRuleAgent, [] { return ButtonStrip(Glyph::Network, 72, 48); });
  set.AddBitmap(kBmpRuleBrowser, [] { return ButtonStrip(Glyph::Document, 72, 48); });
  set.AddBitmap(kBmpRuleOs, [] { return ButtonStrip(Glyph::Gear, 72, 48); });
  set.AddBitmap(kBmpRuleRefer, [] { return ButtonStrip(Glyph::Arrow, 72, 48); });
  set.AddBitmap(kBmpRuleSpider, [] { return ButtonStrip(Glyph::Spider, 72, 48); });
  set.AddBitmap(kBmpRuleTime, [] { return ButtonStrip(Glyph::Clock, 72, 48); });
  set.AddBitmap(kBmpRuleBaseLabel, [] { return ButtonStrip(Glyph::Shield, 72, 40); });
  set.AddBitmap(kBmpRuleExtLabel, [] { return ButtonStrip(Glyph::List, 72, 40); });
}

}  // namespace res
