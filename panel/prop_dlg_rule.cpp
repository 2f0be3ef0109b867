#include "panel/prop_dlg_rule.h"

#include <cstdio>

#include "common/op_log.h"
#include "common/rule_record.h"
#include "common/tag_text.h"
#include "platform/ui/ui_hooks.h"
#include "panel/dlg_rule.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/host.h"
#include "platform/ui/list_model.h"
#include "platform/ui/menu.h"
#include "platform/ui/resource_set.h"
#include "resources/panel_rule_ids.h"

using namespace res::panel;

namespace {
constexpr int kHideTimer = 1;
}  // namespace

CPropDlgRule::CPropDlgRule(const RuleContext& context) : ui::Dialog(kDlgRuleList), m_context(context) {
  OnCommand(kIdcRuleAdd, [this] { OnAddRule(); });
  OnCommand(kCmdRuleAdd, [this] { OnAddRule(); });
  OnCommand(kIdcRuleEdit, [this] { OnEditRule(); });
  OnCommand(kCmdRuleEdit, [this] { OnEditRule(); });
  OnCommand(kIdcRuleDelete, [this] { OnDeleteRule(); });
  OnCommand(kCmdRuleDelete, [this] { OnDeleteRule(); });
  OnCommand(kCmdRuleRefresh, [this] { FillRuleList(); });
  On(kIdcRuleList, ui::Notify::DoubleClicked, [this](ui::Event&) {
    if (m_list.GetFirstSelected() >= 0) {
      OnEditRule();
    } else {
      OnAddRule();
    }
  });
  // The boxes show whether each rule is on; the editor changes that, a click does not.
  On(kIdcRuleList, ui::Notify::ItemChanged, [this](ui::Event& ev) {
    const StringList& rules = m_context.config.m_listRules;
    if (ev.row >= 0 && ev.row < static_cast<int>(rules.size())) m_list.SetCheck(ev.row, rule::IsRuleOn(rules[ev.row]));
  });
  On(kIdcRuleList, ui::Notify::RightClicked, [this](ui::Event&) {
    const ui::ResourceSet* set = ui::Resources();
    const ui::Menu* menu = set ? set->FindMenu(kMenuRuleList) : nullptr;
    const ui::MenuItem* popup = menu ? menu->SubMenu(0) : nullptr;
    if (!popup) return;
    // The chosen command comes to this page as a command of its own.
    ui::TrackPopupMenu(*popup, ui::CursorPos(), this);
  });
}

void CPropDlgRule::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(kIdcRuleList, m_list);
  dx.Control(kIdcRuleAdd, m_btnAdd);
  dx.Control(kIdcRuleEdit, m_btnEdit);
  dx.Control(kIdcRuleDelete, m_btnDelete);
}

bool CPropDlgRule::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  m_list.SetExtendedStyle(m_list.GetExtendedStyle() | ui::list_style::kGridLines | ui::list_style::kCheckBoxes |
                          ui::list_style::kFullRowSelect);
  m_list.InsertColumn(0, "序号", ui::Align::Left, 56);
  m_list.InsertColumn(1, "任务名", ui::Align::Left, 300);
  m_list.InsertColumn(2, "域名", ui::Align::Left, 190);
  m_list.InsertColumn(3, "区域", ui::Align::Left, 0);
  FillRuleList();
  return true;
}

bool CPropDlgRule::PreTranslateKey(const ui::KeyEvent& key) {
  if (key.key == ui::Key::Escape || key.key == ui::Key::Enter) return true;
  return ui::Dialog::PreTranslateKey(key);
}

void CPropDlgRule::SetStatusText(int id, const std::string& text) {
  SetItemText(id, text);
  // The label is transparent: what lies under it must be drawn again.
  InvalidateRect(ItemRect(id));
}

void CPropDlgRule::FillRuleList() {
  CConfig& config = m_context.config;
  SetStatusText(kIdcRuleProgress, "组织中...");
  PumpMessages();
  const std::string data = config.GetRuleData();
  m_list.DeleteAllItems();
  config.m_listRules = rule::SplitRuleList(data);
  int row = 0;
  for (const std::string& text : config.m_listRules) {
    m_list.InsertItem(row, std::to_string(row + 1));
    m_list.SetItemText(row, 1, rule::ReadTag(text, rule::kName));
    m_list.SetItemText(row, 2, rule::ReadTag(text, rule::kSites));
    m_list.SetCheck(row, rule::IsRuleOn(text));
    ++row;
  }
  SetStatusText(kIdcRuleProgress, "完成.");
  char count[96];
  std::snprintf(count, sizeof count, "任务规则列表(一共 %d 条)", m_list.GetItemCount());
  SetStatusText(kIdcRuleCount, count);
  PumpMessages();
}

int CPropDlgRule::RunEditor() {
  CDlgRule editor(m_context);
  return editor.DoModal();
}

void CPropDlgRule::ShowMainWindow() {
  if (Parent()) Parent()->ShowWindow(ui::ShowMode::ShowNormal);
}

void CPropDlgRule::RunEditorAndReload() {
  SetTimer(kHideTimer, 200);
  const int result = RunEditor();
  // The editor may end before the timer fires.
  KillTimer(kHideTimer);
  if (result == kIdOk) {
    ShowMainWindow();
    UpdateData(true);
    // After an edit too, so the rows show the saved name, sites and state.
    m_context.config.Load();
    FillRuleList();
    m_context.needRestartIis = 1;
  }
  ShowMainWindow();
}

void CPropDlgRule::OnAddRule() {
  if (m_context.ipLibUpdating.load()) {
    ShowMessageBox("正在更新IP库，暂时无法操作，请稍等...", "Qor", kMbOk | kMbIconInformation);
    return;
  }
  CConfig& config = m_context.config;
  config.m_strEditName.clear();
  config.m_nEditIndex = -1;
  RunEditorAndReload();
}

void CPropDlgRule::OnEditRule() {
  const int row = m_list.GetFirstSelected();
  if (row < 0) return;
  if (m_context.ipLibUpdating.load()) {
    ShowMessageBox("正在更新IP库，暂时无法操作，请稍等...", "Qor", kMbOk | kMbIconInformation);
    return;
  }
  CConfig& config = m_context.config;
  config.m_nEditIndex = row;
  config.m_strEditName = m_list.GetItemText(row, 1);
  RunEditorAndReload();
}

void CPropDlgRule::OnTimer(int id) {
  if (id != kHideTimer) return;
  KillTimer(kHideTimer);
  if (Parent()) Parent()->ShowWindow(ui::ShowMode::Hide);
}

void CPropDlgRule::OnDeleteRule() {
  const int row = m_list.GetFirstSelected();
  if (m_list.GetItemCount() == 0 || row < 0) return;
  const std::string name = m_list.GetItemText(row, 1);
  if (ShowMessageBox("确定要删除限制规则[" + name + "]吗？", "确认？", kMbYesNo | kMbIconQuestion) != kIdYes) return;
  CConfig& config = m_context.config;
  // The row is the rule's position: names may repeat, so the name alone does not say which.
  if (row >= static_cast<int>(config.m_listRules.size())) {
    FillRuleList();
    return;
  }
  StringList rules = config.m_listRules;
  rules.erase(rules.begin() + row);
  const std::string before = config.GetRuleData();
  config.SetRuleData(CConfig::JoinRuleList(rules));
  if (!config.Save()) {
    // Nothing was removed from the file: show the list as it still stands.
    config.SetRuleData(before);
    ShowMessageBox("删除失败，请检查程序目录的写入权限后重试。", "错误", kMbOk | kMbIconError);
    FillRuleList();
    return;
  }
  WriteOpLog("[保存]删除限制规则:" + name);
  m_context.needRestartIis = 1;
  FillRuleList();
}

bool CPropDlgRule::OnEraseBackground(ui::Painter& painter) {
  painter.FillRect(ClientRect(), ui::Color{255, 255, 255});
  return true;
}

void CPropDlgRule::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  if (!control) {
    colors.SetBackground(ui::Color{255, 255, 255});
  } else if (control->kind == ui::ControlKind::Static) {
    colors.transparent = true;
  }
}
