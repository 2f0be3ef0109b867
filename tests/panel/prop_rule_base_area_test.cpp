// The region page: moving countries and provinces between the lists, the China
// switch, and resolving the chosen names into IP-library ranges on save.
#include <gtest/gtest.h>

#include "panel/prop_rule_base_area.h"
#include "resources/panel_ruleext_ids.h"
#include "tests/panel/rule_page_fixture.h"

namespace {

using namespace res::panel;

// Records: first address, span, country, province, a fifth code.
const char* const kLibrary =
    "16777216|255|81|0|1*"         // 美国
    "16778240|1023|154|1002|3*"    // 中国 北京市
    "16779264|511|154|1005|3*"     // 中国 广东省
    "16780288|255|100|0|2*"        // 日本
    "16781312|255|81|0*"           // four fields: never taken
    "**"
    "16782336|127|154|1002|1*";    // 中国 北京市

// The letter form of a library text (the inverse of the library's substitution).
std::string LetterForm(const std::string& plain) {
  const std::string from = "*|0987654321", to = "c0aopi,lkbjg";
  std::string out = plain;
  for (char& ch : out) {
    const size_t k = from.find(ch);
    if (k != std::string::npos) ch = to[k];
  }
  return out;
}

class AreaPageTest : public qortest::RulePageTest {
 protected:
  void WriteLibrary(const std::string& text) { m_install.WriteProgramFile("iplib.db", text); }
  static int RowOf(const CSortListCtrl& list, const std::string& name) {
    for (int r = 0; r < list.GetItemCount(); ++r)
      if (list.GetItemText(r, 1) == name) return r;
    return -1;
  }
  // Selects the row of name in the list control and presses the button.
  static void Move(CPropRuleBaseArea& page, int listId, const CSortListCtrl& list, const std::string& name,
                   int buttonId) {
    const int row = RowOf(list, name);
    ASSERT_GE(row, 0) << "no row";
    page.ClickRow(listId, row);
    page.Click(buttonId);
  }
  std::unique_ptr<CPropRuleBaseArea> OpenWithChina() {
    auto page = Open<CPropRuleBaseArea>();
    Move(*page, kIdcAreaCountriesFree, page->m_listCountriesFree, "中国", kIdcAreaAddCountry);
    return page;
  }
};

TEST_F(AreaPageTest, StoredNamesStartInTheChosenLists) {
  const std::string stored = Rule({{rule::kAreaAllowed, "1"}, {rule::kAreaData, "|美国||日本"},
                                   {rule::kStateData, "|北京市|"}});
  auto page = Open<CPropRuleBaseArea>(stored);
  ASSERT_EQ(page->m_listCountriesChosen.GetItemCount(), 2);
  EXPECT_GE(RowOf(page->m_listCountriesChosen, "美国"), 0);
  EXPECT_GE(RowOf(page->m_listCountriesChosen, "日本"), 0);
  EXPECT_LT(RowOf(page->m_listCountriesFree, "美国"), 0);
  EXPECT_EQ(page->m_listCountriesChosen.GetItemCount() + page->m_listCountriesFree.GetItemCount(),
            static_cast<int>(page->m_area.CountryCount()));
  EXPECT_EQ(page->m_listProvincesChosen.GetItemCount(), 1);
  EXPECT_EQ(page->m_listProvincesChosen.GetItemText(0, 0), "1002");
  EXPECT_EQ(page->RadioIndex(kIdcAreaCountryAllow), 0);
  EXPECT_EQ(page->RadioIndex(kIdcAreaProvinceAllow), 1);
  EXPECT_EQ(page->m_listCountriesChosen.ColumnWidth(0), 0);
  EXPECT_EQ(page->m_listCountriesChosen.ColumnWidth(1), 220);
  EXPECT_EQ(page->m_listProvincesFree.ColumnWidth(1), 180);
}

TEST_F(AreaPageTest, MovingRowsAndDoubleClicks) {
  auto page = Open<CPropRuleBaseArea>();
  const int before = page->m_listCountriesFree.GetItemCount();
  page->Click(kIdcAreaAddCountry);  // no selection: nothing
  EXPECT_EQ(page->m_listCountriesFree.GetItemCount(), before);
  Move(*page, kIdcAreaCountriesFree, page->m_listCountriesFree, "美国", kIdcAreaAddCountry);
  EXPECT_EQ(page->m_listCountriesChosen.GetItemCount(), 1);
  EXPECT_EQ(page->m_listCountriesFree.GetItemCount(), before - 1);
  page->DoubleClick(kIdcAreaCountriesChosen, 0);
  EXPECT_EQ(page->m_listCountriesChosen.GetItemCount(), 0);
  EXPECT_EQ(page->m_listCountriesFree.GetItemCount(), before);
  EXPECT_GE(RowOf(page->m_listCountriesFree, "美国"), 0);
  page->DoubleClick(kIdcAreaProvincesFree, RowOf(page->m_listProvincesFree, "广东省"));
  EXPECT_EQ(page->m_listProvincesChosen.GetItemText(0, 1), "广东省");
}

TEST_F(AreaPageTest, ANameAlreadyInTheTargetIsOnlyRemovedFromTheSource) {
  auto page = Open<CPropRuleBaseArea>(Rule({{rule::kAreaData, "|美国"}}));
  // Put a second 美国 into the available list, as a stale row would be.
  const int row = page->m_listCountriesFree.InsertItem(0, "81");
  page->m_listCountriesFree.SetItemText(row, 1, "美国");
  const int before = page->m_listCountriesFree.GetItemCount();
  Move(*page, kIdcAreaCountriesFree, page->m_listCountriesFree, "美国", kIdcAreaAddCountry);
  EXPECT_EQ(page->m_listCountriesChosen.GetItemCount(), 1);
  EXPECT_EQ(page->m_listCountriesFree.GetItemCount(), before - 1);
}

TEST_F(AreaPageTest, ChoosingChinaGreysTheProvinceControls) {
  const int ids[] = {kIdcAreaProvinceAllow, kIdcAreaProvinceDeny, kIdcAreaProvincesChosen, kIdcAreaProvincesFree,
                     kIdcAreaAddProvince, kIdcAreaRemoveProvince};
  auto page = Open<CPropRuleBaseArea>();
  for (int id : ids) EXPECT_TRUE(page->IsItemEnabled(id));
  Move(*page, kIdcAreaCountriesFree, page->m_listCountriesFree, "中国", kIdcAreaAddCountry);
  for (int id : ids) EXPECT_FALSE(page->IsItemEnabled(id)) << id;
  Move(*page, kIdcAreaCountriesChosen, page->m_listCountriesChosen, "中国", kIdcAreaRemoveCountry);
  for (int id : ids) EXPECT_TRUE(page->IsItemEnabled(id)) << id;
  // A stored rule with China opens greyed.
  auto stored = Open<CPropRuleBaseArea>(Rule({{rule::kAreaData, "|中国"}}));
  EXPECT_FALSE(stored->IsItemEnabled(kIdcAreaProvincesFree));
}

TEST_F(AreaPageTest, SaveResolvesCountriesAndProvincesIntoLibraryRecords) {
  WriteLibrary(kLibrary);
  auto page = Open<CPropRuleBaseArea>();
  Move(*page, kIdcAreaCountriesFree, page->m_listCountriesFree, "美国", kIdcAreaAddCountry);
  Move(*page, kIdcAreaProvincesFree, page->m_listProvincesFree, "北京市", kIdcAreaAddProvince);
  page->Click(kIdcAreaCountryAllow);
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(Tag(rule::kAreaAllowed), "1");
  EXPECT_EQ(Tag(rule::kAreaData), "|美国");
  EXPECT_EQ(Tag(rule::kStateAllowed), "0");
  EXPECT_EQ(Tag(rule::kStateData), "|北京市");
  EXPECT_EQ(Tag(rule::kAreaIp), "16777216|255|81|0|1*");
  EXPECT_EQ(Tag(rule::kStateIp), "16778240|1023|154|1002|3*16782336|127|154|1002|1*");
}

TEST_F(AreaPageTest, ProvincesAloneGiveOnlyStateRanges) {
  WriteLibrary(kLibrary);
  auto page = Open<CPropRuleBaseArea>();
  Move(*page, kIdcAreaProvincesFree, page->m_listProvincesFree, "广东省", kIdcAreaAddProvince);
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(Tag(rule::kAreaIp), "");
  EXPECT_EQ(Tag(rule::kStateIp), "16779264|511|154|1005|3*");
}

TEST_F(AreaPageTest, WithChinaChosenProvinceNamesStayButTheirRangesGo) {
  WriteLibrary(kLibrary);
  auto page = Open<CPropRuleBaseArea>(Rule({{rule::kStateData, "|北京市"}}));
  Move(*page, kIdcAreaCountriesFree, page->m_listCountriesFree, "中国", kIdcAreaAddCountry);
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(Tag(rule::kStateData), "|北京市");
  EXPECT_EQ(Tag(rule::kStateIp), "");
  EXPECT_EQ(Tag(rule::kAreaIp), "16778240|1023|154|1002|3*16779264|511|154|1005|3*16782336|127|154|1002|1*");
}

TEST_F(AreaPageTest, TheLetterFormOfTheLibraryGivesTheSameRanges) {
  const std::string letters = LetterForm(kLibrary);
  ASSERT_EQ(letters.find('|'), std::string::npos);
  ASSERT_EQ(letters.find('*'), std::string::npos);
  WriteLibrary(letters);
  auto page = Open<CPropRuleBaseArea>(Rule({{rule::kAreaData, "|日本|美国"}}));
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(Tag(rule::kAreaIp), "16777216|255|81|0|1*16780288|255|100|0|2*");
}

TEST_F(AreaPageTest, AMissingOrEmptyLibraryKeepsTheRangesAndStillSaves) {
  for (bool empty : {false, true}) {
    SCOPED_TRACE(empty);
    if (empty) WriteLibrary("");
    auto page = Open<CPropRuleBaseArea>(Rule({{rule::kAreaData, "|日本"}, {rule::kAreaIp, "old*"},
                                               {rule::kStateIp, "older*"}}));
    Move(*page, kIdcAreaCountriesFree, page->m_listCountriesFree, "美国", kIdcAreaAddCountry);
    Host().ExpectMessageBox("错误：IP库不存在，无法正常获取IP清单。", kIdOk);
    EXPECT_TRUE(page->SaveRule());
    EXPECT_EQ(Tag(rule::kAreaData), "|日本|美国");
    EXPECT_EQ(Tag(rule::kAreaIp), "old*");
    EXPECT_EQ(Tag(rule::kStateIp), "older*");
  }
}

TEST_F(AreaPageTest, ResolvingSkipsShortUnknownAndUnstorableRecords) {
  struct Case {
    const char* library;
    const char* area;
  } cases[] = {
      {"1|2|81|0*", ""},                   // four fields
      {"1|2|81||0|9*", "1|2|81||0|9*"},    // empty field not counted, five remain
      {"1|2|x|0|9*", ""},                  // no number: code 0 is never chosen
      {"1|2|81|0|</KeyAreaIp>*3|4|81|0|5", "3|4|81|0|5*"},  // a record the rule could not hold
      {"nobars*3|4|81|0|5", "3|4|81|0|5*"},
      // A run of bars would end the rule in the list: the record keeps its fields.
      {"1|||||2|81|0|9*3|4|81|0|5", "1|2|81|0|9*3|4|81|0|5*"},
      {"1|2|81|0|9||||||*", "1|2|81|0|9*"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library);
    EXPECT_EQ(CPropRuleBaseArea::ResolveRanges(c.library, {81}, {}, false).area, c.area);
  }
  EXPECT_EQ(CPropRuleBaseArea::ResolveRanges("1|||||2|154|7|0", {}, {7}, false).state, "1|2|154|7|0*");
}

}  // namespace
