#pragma once
// The region page: countries or regions and Chinese provinces to let in or turn
// away; on save they are resolved into the address ranges of the IP library.
#include <set>
#include <string>

#include "common/qor_area.h"
#include "panel/rule_child_page.h"
#include "panel/sort_list_ctrl.h"
#include "panel/xp_button.h"

class CPropRuleBaseArea : public CRuleChildPage {
 public:
  explicit CPropRuleBaseArea(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;

  void OnAddCountry();
  void OnRemoveCountry();
  void OnAddProvince();
  void OnRemoveProvince();
  // The province controls are greyed while "中国" is a chosen country: all of China
  // is then in the country ranges.
  void UpdateProvinceState();

  // The records of an IP library text ("*"-separated, "|"-separated fields) whose
  // country is chosen, and the Chinese ones whose province is chosen (none when
  // wholeChina); each record followed by "*".
  struct Ranges {
    std::string area, state;
  };
  static Ranges ResolveRanges(const std::string& library, const std::set<int>& countries,
                              const std::set<int>& provinces, bool wholeChina);

  CSortListCtrl m_listCountriesChosen, m_listCountriesFree;
  CSortListCtrl m_listProvincesChosen, m_listProvincesFree;
  int m_nCountryMode = 1;   // 0 only these, 1 all but these
  int m_nProvinceMode = 1;
  CXPButton m_btnAddCountry, m_btnRemoveCountry, m_btnAddProvince, m_btnRemoveProvince;
  CQorArea m_area;

 private:
  void SetUpList(CSortListCtrl& list, const char* heading, int width);
  void LoadCountries();
  void LoadProvinces();
  static void MoveRow(CSortListCtrl& from, CSortListCtrl& to);
  static std::string ChosenNames(const CSortListCtrl& list);
};
