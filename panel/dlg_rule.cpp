#include "panel/dlg_rule.h"

#include "common/rule_record.h"
#include "platform/ui/ui_hooks.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/resource_set.h"
#include "platform/ui/dialog_template.h"
#include "resources/panel_ids.h"
#include "resources/panel_rule_ids.h"

using namespace res::panel;

namespace {
constexpr ui::Rect kGroupRect{1, 88, 1 + 640, 88 + 360};
}  // namespace

CDlgRule::CDlgRule(const RuleContext& context)
    : ui::Dialog(kDlgRuleEditor),
      m_context(context),
      m_basic(std::make_unique<CPropRuleBase>(context)),
      m_advanced(std::make_unique<CPropRuleExt>(context)) {
  OnCommand(kIdcEditorBasic, [this] { OnBasicPages(); });
  OnCommand(kIdcEditorAdvanced, [this] { OnAdvancedPages(); });
  OnCommand(kIdCancel, [this] { OnCloseButton(); });
  OnCommand(kIdcEditorCloseText, [this] { OnCloseButton(); });
  OnCommand(kIdcEditorClose, [this] { OnCloseButton(); });
}

CDlgRule::~CDlgRule() = default;

void CDlgRule::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(kIdOk, m_btnSave);
  dx.Control(kIdCancel, m_btnClose);
  dx.Control(kIdcEditorBasic, m_btnBasic);
  dx.Control(kIdcEditorAdvanced, m_btnAdvanced);
  dx.Control(kIdcEditorClose, m_btnCloseX);
  dx.Check(kIdcEditorOn, m_bEnable);
}

bool CDlgRule::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  SetWindowText("Qor·网站访问控制系统 - 规则设置");
  const ui::Rect at = WindowRect();
  SetWindowPos(ui::Rect{at.left, at.top, at.left + 670, at.top + 490});
  LoadEditedRule();
  if (m_basic->Create(this)) {
    m_basic->SetWindowPos(kGroupRect);
    m_basic->ShowWindow(ui::ShowMode::Show);
  }
  if (m_advanced->Create(this)) {
    m_advanced->SetWindowPos(kGroupRect);
    m_advanced->ShowWindow(ui::ShowMode::Hide);
  }
  m_current = m_basic.get();
  SetItemFont(kIdcEditorOn, m_context.enableFont);
  SetItemText(kIdcEditorCloseText, "");
  InvalidateRect(ItemRect(kIdcEditorCloseText));
  m_btnCloseX.LoadBitmaps(kBmpClose);
  m_btnCloseX.SetToolTipText("关闭窗口");
  return true;
}

void CDlgRule::LoadEditedRule() {
  CConfig& config = m_context.config;
  m_bEnable = true;
  config.m_strEditRule.clear();
  if (config.m_nEditIndex >= 0 && !config.m_strEditName.empty()) {
    config.Load();
    config.m_listRules = rule::SplitRuleList(config.GetRuleData());
    if (config.m_nEditIndex < static_cast<int>(config.m_listRules.size())) {
      config.m_strEditRule = config.m_listRules[config.m_nEditIndex];
      m_bEnable = rule::IsRuleOn(config.m_strEditRule);
    } else {
      // The rule is gone from the store: edit it as a new one rather than overwrite another.
      config.m_nEditIndex = -1;
      config.m_strEditName.clear();
    }
  }
  // A rule chosen without a name is edited from the new-rule values but keeps its
  // index, so the save replaces it at its place.
  UpdateData(false);
}

void CDlgRule::ShowGroup(ui::Dialog* group) {
  if (group == m_current) return;
  if (m_current) m_current->ShowWindow(ui::ShowMode::Hide);
  m_current = group;
  m_current->ShowWindow(ui::ShowMode::Show);
}

void CDlgRule::OnBasicPages() { ShowGroup(m_basic.get()); }

void CDlgRule::OnAdvancedPages() { ShowGroup(m_advanced.get()); }

void CDlgRule::OnCloseButton() { OnCancel(); }

void CDlgRule::OnOK() {
  UpdateData(true);
  if (m_context.ipLibUpdating.load()) {
    ShowMessageBox("正在更新IP库，请稍后。。。", "Qor", kMbOk | kMbIconInformation);
    return;
  }
  EnableItem(kIdOk, false);
  CConfig& config = m_context.config;
  // A refusal leaves the rule under edit as it was, so a second try starts clean.
  const std::string before = config.m_strEditRule;
  if (!m_basic->SaveRules() || !m_advanced->SaveRules() ||
      !rule::WriteTag(config.m_strEditRule, rule::kOn, rule::FlagText(m_bEnable))) {
    config.m_strEditRule = before;
    EnableItem(kIdOk, true);
    return;
  }
  const StringList listBefore = config.m_listRules;
  const int index = config.m_nEditIndex;
  if (index < 0 || index >= static_cast<int>(config.m_listRules.size())) {
    config.m_listRules.push_back(config.m_strEditRule);
  } else {
    config.m_listRules[index] = config.m_strEditRule;
  }
  const std::string dataBefore = config.GetRuleData();
  config.SetRuleData(CConfig::JoinRuleList(config.m_listRules));
  if (!config.Save()) {
    config.m_listRules = listBefore;
    config.SetRuleData(dataBefore);
    config.m_strEditRule = before;
    ShowMessageBox("保存失败，请检查程序目录的写入权限后重试。", "错误", kMbOk | kMbIconError);
    EnableItem(kIdOk, true);
    return;
  }
  ShowMessageBox("保存完毕，重启IIS立即生效。", "Qor", kMbOk | kMbIconInformation);
  EndDialog(kIdOk);
}

void CDlgRule::OnLButtonDown(ui::Point) { BeginWindowDrag(); }

void CDlgRule::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  const ui::Image* pattern = ui::Resources() ? ui::Resources()->Bitmap(kBmpBackground) : nullptr;
  if (!control) {
    colors.pattern = pattern;
    return;
  }
  if (control->id == kIdcEditorTitle || control->id == kIdcEditorOn || control->id == kIdcEditorNote) {
    colors.SetText(ui::Color{255, 255, 255});
  }
  colors.transparent = true;
  if (control->kind == ui::ControlKind::Button) colors.pattern = pattern;
}
