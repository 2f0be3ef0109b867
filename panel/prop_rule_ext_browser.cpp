#include "panel/prop_rule_ext_browser.h"

#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/list_model.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

CPropRuleExtBrowser::CPropRuleExtBrowser(const RuleContext& context)
    : CRuleChildPage(kDlgRuleBrowser, context, {kIdcBrowserData, kIdcBrowserOtherLanguages},
                     {{kIdcBrowserTableHelp, "/help/rules/browser.html"},
                      {kIdcBrowserLanguageHelp, "/help/rules/browser.html"}}) {
  OnCommand(kIdcBrowserChoose, [] {});
  OnCommand(kIdcBrowserAdd, [this] { OnAddBrowser(); });
  OnCommand(kIdcBrowserAddAll, [this] { OnAddAllBrowsers(); });
  On(kIdcBrowserTable, ui::Notify::DoubleClicked, [this](ui::Event& ev) {
    OnAddBrowser();
    ev.result = 0;
  });
}

bool CPropRuleExtBrowser::OnInitDialog() {
  UpdateData(false);  // binds the table
  m_listBrowsers.InsertColumn(0, "浏览器名", ui::Align::Left, 100);
  m_listBrowsers.InsertColumn(1, "浏览器特征", ui::Align::Left, 96);
  m_listBrowsers.SetExtendedStyle(ui::list_style::kGridLines | ui::list_style::kFullRowSelect);
  for (const rule::BrowserToken& row : rule::kBrowserTokens) AddBrowserRow(row.name, row.token);

  m_nBrowser = LoadChoice(rule::kBrowserAllowed);
  m_nLanguage = LoadChoice(rule::kBrowserLanguageAllowed);
  m_strBrowser = rule::DecodeListField(ReadRuleTag(rule::kBrowserData));
  bool ticked[rule::kLanguageCount] = {};
  m_strOtherLanguages = rule::ParseLanguageData(ReadRuleTag(rule::kBrowserLanguageData), ticked);
  for (int i = 0; i < rule::kLanguageCount; ++i) m_nLanguageFlags[i] = ticked[i] ? 1 : 0;
  UpdateData(false);
  return true;
}

void CPropRuleExtBrowser::DoDataExchange(ui::DataExchange& dx) {
  dx.Text(kIdcBrowserData, m_strBrowser);
  dx.Text(kIdcBrowserOtherLanguages, m_strOtherLanguages);
  dx.Radio(kIdcBrowserLanguageAllow, m_nLanguage);
  dx.Radio(kIdcBrowserAllow, m_nBrowser);
  for (int i = 0; i < rule::kLanguageCount; ++i) dx.Check(kIdcBrowserLanguages[i], m_nLanguageFlags[i]);
  dx.Control(kIdcBrowserChoose, m_btnChoose);
  dx.Control(kIdcBrowserAdd, m_btnAdd);
  dx.Control(kIdcBrowserAddAll, m_btnAddAll);
  dx.Control(kIdcBrowserTable, m_listBrowsers);
}

bool CPropRuleExtBrowser::SaveRule() {
  UpdateData(true);
  bool ticked[rule::kLanguageCount];
  for (int i = 0; i < rule::kLanguageCount; ++i) ticked[i] = m_nLanguageFlags[i] != 0;
  return WriteRuleTag(rule::kBrowserAllowed, rule::ModeText(m_nBrowser)) &&
         WriteRuleTag(rule::kBrowserLanguageAllowed, rule::ModeText(m_nLanguage)) &&
         WriteRuleTag(rule::kBrowserData, rule::EncodeListField(m_strBrowser)) &&
         WriteRuleTag(rule::kBrowserLanguageData, rule::ComposeLanguageData(m_strOtherLanguages, ticked));
}

void CPropRuleExtBrowser::OnAddBrowser() {
  const int row = m_listBrowsers.GetItemCount() > 0 ? m_listBrowsers.GetFirstSelected() : -1;
  if (row < 0) return;
  // What the user typed since the last addition is kept, not overwritten.
  UpdateData(true);
  if (rule::AddBrowserToken(m_strBrowser, m_listBrowsers.GetItemText(row, 1))) UpdateData(false);
}

void CPropRuleExtBrowser::OnAddAllBrowsers() {
  const int count = m_listBrowsers.GetItemCount();
  if (count == 0) return;
  UpdateData(true);
  bool added = false;
  for (int row = 0; row < count; ++row) {
    if (rule::AddBrowserToken(m_strBrowser, m_listBrowsers.GetItemText(row, 1))) added = true;
  }
  if (added) UpdateData(false);
}

void CPropRuleExtBrowser::AddBrowserRow(const std::string& name, const std::string& token) {
  const int row = m_listBrowsers.InsertItem(m_listBrowsers.GetItemCount(), name);
  m_listBrowsers.SetItemText(row, 1, token);
}
