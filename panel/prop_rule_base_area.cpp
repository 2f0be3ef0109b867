#include "panel/prop_rule_base_area.h"

#include <cstdlib>

#include "common/coding.h"
#include "platform/gbk.h"
#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "common/system_info.h"
#include "common/text_file.h"
#include "platform/ui/ui_hooks.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/list_model.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

namespace {

constexpr int kChinaCode = 154;
const char* const kChina = "中国";

int RowOfName(const CSortListCtrl& list, const std::string& name) {
  for (int row = 0; row < list.GetItemCount(); ++row)
    if (list.GetItemText(row, 1) == name) return row;
  return -1;
}

void AppendRow(CSortListCtrl& list, const std::string& code, const std::string& name) {
  const int row = list.InsertItem(list.GetItemCount(), code);
  list.SetItemText(row, 1, name);
}

}  // namespace

CPropRuleBaseArea::CPropRuleBaseArea(const RuleContext& context) : CRuleChildPage(kDlgRuleArea, context, {}, {}) {
  OnCommand(kIdcAreaAddCountry, [this] { OnAddCountry(); });
  OnCommand(kIdcAreaRemoveCountry, [this] { OnRemoveCountry(); });
  OnCommand(kIdcAreaAddProvince, [this] { OnAddProvince(); });
  OnCommand(kIdcAreaRemoveProvince, [this] { OnRemoveProvince(); });
  On(kIdcAreaCountriesFree, ui::Notify::DoubleClicked, [this](ui::Event&) { OnAddCountry(); });
  On(kIdcAreaCountriesChosen, ui::Notify::DoubleClicked, [this](ui::Event&) { OnRemoveCountry(); });
  On(kIdcAreaProvincesFree, ui::Notify::DoubleClicked, [this](ui::Event&) { OnAddProvince(); });
  On(kIdcAreaProvincesChosen, ui::Notify::DoubleClicked, [this](ui::Event&) { OnRemoveProvince(); });
}

bool CPropRuleBaseArea::OnInitDialog() {
  UpdateData(false);  // binds the lists
  SetUpList(m_listCountriesChosen, "国家/地区", 220);
  SetUpList(m_listCountriesFree, "国家/地区", 180);
  SetUpList(m_listProvincesChosen, "省/市", 220);
  SetUpList(m_listProvincesFree, "省/市", 180);
  m_area.Load();
  LoadCountries();
  LoadProvinces();
  UpdateProvinceState();
  return true;
}

void CPropRuleBaseArea::SetUpList(CSortListCtrl& list, const char* heading, int width) {
  list.SetExtendedStyle(list.GetExtendedStyle() | ui::list_style::kGridLines | ui::list_style::kFullRowSelect);
  list.InsertColumn(0, "编号", ui::Align::Left, 0);
  list.InsertColumn(1, heading, ui::Align::Left, width);
}

void CPropRuleBaseArea::LoadCountries() {
  m_nCountryMode = rule::IsFlagOn(ReadRuleTag(rule::kAreaAllowed)) ? 0 : 1;
  const std::string chosen = gbk::Replaced("|" + ReadRuleTag(rule::kAreaData) + "|", "||", "|");
  StringList names, codes;
  m_area.ListCountries(names, codes);
  m_listCountriesFree.DeleteAllItems();
  for (size_t i = 0; i < names.size(); ++i) {
    CSortListCtrl& target = gbk::Contains(chosen, "|" + names[i] + "|") ? m_listCountriesChosen : m_listCountriesFree;
    AppendRow(target, codes[i], names[i]);
  }
  UpdateData(false);
}

void CPropRuleBaseArea::LoadProvinces() {
  m_nProvinceMode = rule::IsFlagOn(ReadRuleTag(rule::kStateAllowed)) ? 0 : 1;
  const std::string chosen = gbk::Replaced("|" + ReadRuleTag(rule::kStateData) + "|", "||", "|");
  StringList names, codes;
  m_area.ListProvinces(names, codes);
  m_listProvincesFree.DeleteAllItems();
  for (size_t i = 0; i < names.size(); ++i) {
    CSortListCtrl& target = gbk::Contains(chosen, "|" + names[i] + "|") ? m_listProvincesChosen : m_listProvincesFree;
    AppendRow(target, codes[i], names[i]);
  }
  UpdateData(false);
}

void CPropRuleBaseArea::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(kIdcAreaCountriesChosen, m_listCountriesChosen);
  dx.Control(kIdcAreaCountriesFree, m_listCountriesFree);
  dx.Control(kIdcAreaProvincesChosen, m_listProvincesChosen);
  dx.Control(kIdcAreaProvincesFree, m_listProvincesFree);
  dx.Radio(kIdcAreaCountryAllow, m_nCountryMode);
  dx.Radio(kIdcAreaProvinceAllow, m_nProvinceMode);
  dx.Control(kIdcAreaAddCountry, m_btnAddCountry);
  dx.Control(kIdcAreaRemoveCountry, m_btnRemoveCountry);
  dx.Control(kIdcAreaAddProvince, m_btnAddProvince);
  dx.Control(kIdcAreaRemoveProvince, m_btnRemoveProvince);
}

void CPropRuleBaseArea::MoveRow(CSortListCtrl& from, CSortListCtrl& to) {
  if (from.GetItemCount() == 0) return;
  const int row = from.GetFirstSelected();
  if (row < 0) return;
  const std::string code = from.GetItemText(row, 0), name = from.GetItemText(row, 1);
  if (RowOfName(to, name) < 0) AppendRow(to, code, name);
  from.DeleteItem(row);
}

void CPropRuleBaseArea::OnAddCountry() {
  MoveRow(m_listCountriesFree, m_listCountriesChosen);
  UpdateProvinceState();
}

void CPropRuleBaseArea::OnRemoveCountry() {
  MoveRow(m_listCountriesChosen, m_listCountriesFree);
  UpdateProvinceState();
}

void CPropRuleBaseArea::OnAddProvince() {
  MoveRow(m_listProvincesFree, m_listProvincesChosen);
  UpdateProvinceState();
}

void CPropRuleBaseArea::OnRemoveProvince() {
  MoveRow(m_listProvincesChosen, m_listProvincesFree);
  UpdateProvinceState();
}

void CPropRuleBaseArea::UpdateProvinceState() {
  const bool enable = RowOfName(m_listCountriesChosen, kChina) < 0;
  for (int id : {kIdcAreaProvinceAllow, kIdcAreaProvinceDeny, kIdcAreaProvincesChosen, kIdcAreaProvincesFree,
                 kIdcAreaAddProvince, kIdcAreaRemoveProvince}) {
    EnableItem(id, enable);
  }
}

std::string CPropRuleBaseArea::ChosenNames(const CSortListCtrl& list) {
  StringList names;
  for (int row = 0; row < list.GetItemCount(); ++row) names.push_back(list.GetItemText(row, 1));
  return rule::JoinChosenNames(names);
}

CPropRuleBaseArea::Ranges CPropRuleBaseArea::ResolveRanges(const std::string& library, const std::set<int>& countries,
                                                            const std::set<int>& provinces, bool wholeChina) {
  Ranges out;
  for (const std::string& record : gbk::Split(library, "*")) {
    if (record.empty() || !gbk::Contains(record, "|")) continue;
    const StringList fields = rule::SplitChosenNames(record);
    if (fields.size() < 5) continue;
    // Readers take a record by its non-empty fields, so a record whose text the rule
    // cannot hold (a run of bars ends a rule in the list) is kept as those fields. One
    // that still cannot be held would make the whole save fail, and is left out.
    std::string kept = record;
    if (!rule::CheckValue(kept).empty()) {
      kept.clear();
      for (const std::string& field : fields) kept += (kept.empty() ? "" : "|") + field;
      if (!rule::CheckValue(kept).empty()) continue;
    }
    const int country = std::atoi(fields[2].c_str());
    const int province = std::atoi(fields[3].c_str());
    if (countries.count(country)) out.area += kept + "*";
    if (country == kChinaCode && !wholeChina && provinces.count(province)) out.state += kept + "*";
  }
  if (wholeChina) out.state.clear();
  return out;
}

bool CPropRuleBaseArea::SaveRule() {
  UpdateData(true);
  const std::string areaData = ChosenNames(m_listCountriesChosen);
  const std::string stateData = ChosenNames(m_listProvincesChosen);
  if (!WriteRuleTag(rule::kAreaAllowed, rule::ModeText(m_nCountryMode)) ||
      !WriteRuleTag(rule::kAreaData, areaData) ||
      !WriteRuleTag(rule::kStateAllowed, rule::ModeText(m_nProvinceMode)) ||
      !WriteRuleTag(rule::kStateData, stateData)) {
    return false;
  }

  CQorArea area;
  area.Load();
  bool wholeChina = false;
  std::set<int> countries, provinces;
  for (const std::string& name : rule::SplitChosenNames(areaData)) {
    if (name == kChina) wholeChina = true;
    if (const int code = area.FindCountryCode(name)) countries.insert(code);
  }
  for (const std::string& name : rule::SplitChosenNames(stateData)) {
    if (const int code = area.FindProvinceCode(name)) provinces.insert(code);
  }

  std::string library;
  ReadTextFile(GetModuleDir() + "iplib.db", library);
  if (library.empty()) {
    ShowMessageBox("错误：IP库不存在，无法正常获取IP清单。", "错误", kMbOk | kMbIconError);
    return true;
  }
  if (!gbk::Contains(library, "|") && !gbk::Contains(library, "*")) SubstituteChars(library);

  const Ranges ranges = ResolveRanges(library, countries, provinces, wholeChina);
  return WriteRuleTag(rule::kAreaIp, ranges.area) && WriteRuleTag(rule::kStateIp, ranges.state);
}
