#include "panel/dlg_base_sel_sites.h"

#include <cstdio>

#include "platform/gbk.h"
#include "common/iis_sites.h"
#include "platform/ui/ui_hooks.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/list_model.h"
#include "resources/panel_rule_ids.h"

using namespace res::panel;

namespace {
constexpr int kFillTimer = 1;
constexpr unsigned kListStyles = ui::list_style::kGridLines | ui::list_style::kCheckBoxes | ui::list_style::kFullRowSelect;
}  // namespace

CDlgBaseSelSites::CDlgBaseSelSites(std::string& siteDomains) : ui::Dialog(kDlgSelSites), m_domains(siteDomains) {
  On(kIdcSitesList, ui::Notify::DoubleClicked, [this](ui::Event&) { OnDblClkList(); });
}

void CDlgBaseSelSites::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(kIdcSitesList, m_list);
  dx.Control(kIdOk, m_btnOk);
  dx.Control(kIdCancel, m_btnCancel);
}

bool CDlgBaseSelSites::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  m_list.InsertColumn(0, "序号", ui::Align::Left, 56);
  m_list.InsertColumn(1, "域名", ui::Align::Left, 170);
  m_list.InsertColumn(2, "备注", ui::Align::Left, 180);
  m_list.SetExtendedStyle(m_list.GetExtendedStyle() | kListStyles);
  // Filled once the window shows.
  SetTimer(kFillTimer, 200);
  return true;
}

int CDlgBaseSelSites::EnumAppPools(StringList& pools) { return EnumIisAppPools(pools); }

int CDlgBaseSelSites::EnumSites(const std::string& pool, StringList& comments, StringList& domains) {
  return EnumIisSites(pool, comments, domains, false);
}

void CDlgBaseSelSites::OnTimer(int id) {
  if (id != kFillTimer) return;
  KillTimer(kFillTimer);
  SetWindowText("正在列表域名，请稍后...");
  EnableItem(kIdOk, false);
  EnableItem(kIdCancel, false);
  PumpMessages();
  StringList pools, comments, domains;
  EnumAppPools(pools);
  for (const std::string& pool : pools) EnumSites(pool, comments, domains);
  m_list.DeleteAllItems();
  for (size_t i = 0; i < domains.size(); ++i) {
    const int row = static_cast<int>(i);
    m_list.InsertItem(row, std::to_string(i + 1));
    m_list.SetItemText(row, 1, domains[i]);
    if (i < comments.size()) m_list.SetItemText(row, 2, comments[i]);
    if (!m_domains.empty() && gbk::Contains(m_domains, "|" + gbk::ToLower(domains[i]) + "|")) m_list.SetCheck(row, true);
  }
  char caption[96];
  std::snprintf(caption, sizeof caption, "绑定的域名列表完毕，总共 %d 个", static_cast<int>(domains.size()));
  SetWindowText(caption);
  EnableItem(kIdOk, true);
  EnableItem(kIdCancel, true);
}

void CDlgBaseSelSites::OnDblClkList() {
  const int row = m_list.GetFirstSelected();
  if (row >= 0) m_list.SetCheck(row, !m_list.GetCheck(row));
}

void CDlgBaseSelSites::OnOK() {
  if (!m_domains.empty()) {
    if (!gbk::StartsWith(m_domains, "|")) m_domains = "|" + m_domains;
    if (!gbk::EndsWith(m_domains, "|") || !gbk::IsCharBoundary(m_domains, m_domains.size() - 1)) m_domains += "|";
    m_domains = gbk::ToLower(m_domains);
  }
  for (int row = 0; row < m_list.GetItemCount(); ++row) {
    if (!m_list.GetCheck(row)) continue;
    const std::string name = gbk::ToLower(m_list.GetItemText(row, 1));
    if (!name.empty() && !gbk::Contains(m_domains, "|" + name + "|")) m_domains += "|" + name + "|";
  }
  while (gbk::ReplaceAll(m_domains, "||", "|") > 0) {
  }
  EndDialog(kIdOk);
}
