#include "panel/prop_rule_base_url.h"

#include "platform/gbk.h"
#include "panel/dlg_base_sel_sites.h"
#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "platform/ui/ui_hooks.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

CPropRuleBaseUrl::CPropRuleBaseUrl(const RuleContext& context)
    : CRuleChildPage(kDlgRuleUrl, context, {kIdcUrlSites, kIdcUrlData}, {}) {
  OnCommand(kIdcUrlBrowse, [this] { OnSelectSites(); });
}

bool CPropRuleBaseUrl::OnInitDialog() {
  m_nSitesMode = LoadChoice(rule::kSitesAllowed);
  m_strSites = rule::DecodeSites(ReadRuleTag(rule::kSites));
  m_nUrlMode = LoadChoice(rule::kUrlAllowed);
  m_strUrl = rule::DecodeListField(ReadRuleTag(rule::kUrlData));
  UpdateData(false);
  return true;
}

void CPropRuleBaseUrl::DoDataExchange(ui::DataExchange& dx) {
  dx.Text(kIdcUrlData, m_strUrl);
  dx.Radio(kIdcUrlWhite, m_nUrlMode);
  dx.Radio(kIdcUrlSitesOnly, m_nSitesMode);
  dx.Text(kIdcUrlSites, m_strSites);
  dx.Control(kIdcUrlBrowse, m_btnBrowse);
}

bool CPropRuleBaseUrl::SaveRule() {
  UpdateData(true);
  return WriteRuleTag(rule::kSitesAllowed, rule::ModeText(m_nSitesMode)) &&
         WriteRuleTag(rule::kSites, rule::EncodeSites(m_strSites)) &&
         WriteRuleTag(rule::kUrlAllowed, rule::ModeText(m_nUrlMode)) &&
         WriteRuleTag(rule::kUrlData, rule::EncodeListField(m_strUrl));
}

std::string CPropRuleBaseUrl::DomainsForPicker(const std::string& box) {
  std::string s = box;
  gbk::ReplaceAll(s, "\r\n", "|");
  gbk::ReplaceAll(s, "\n", "|");
  gbk::ReplaceAll(s, "\r", "|");
  gbk::ReplaceAll(s, "||", "|");
  if (!s.empty()) {
    if (!gbk::StartsWith(s, "|")) s = "|" + s;
    if (!gbk::EndsWith(s, "|") || !gbk::IsCharBoundary(s, s.size() - 1)) s += "|";
  }
  return gbk::ToLower(s);
}

std::string CPropRuleBaseUrl::DomainsFromPicker(const std::string& domains) { return rule::DecodeSites(domains); }

void CPropRuleBaseUrl::OnSelectSites() {
  UpdateData(true);
  Context().siteDomains = DomainsForPicker(m_strSites);
  EnableItem(kIdcUrlBrowse, false);
  const int answer = RunSitePicker();
  EnableItem(kIdcUrlBrowse, true);
  if (answer != kIdOk) return;
  m_strSites = DomainsFromPicker(Context().siteDomains);
  SetItemText(kIdcUrlSites, m_strSites);
}

int CPropRuleBaseUrl::RunSitePicker() {
  CDlgBaseSelSites picker(Context());
  return picker.DoModal();
}
