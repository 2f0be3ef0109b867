// The sortable list: number detection, per-column order with its arrow, numeric and
// text order, item data kept.
#include "panel/sort_list_ctrl.h"

#include <gtest/gtest.h>

#include "panel/sort_arrows.h"
#include "platform/ui/dialog.h"
#include "tests/ui/sample_templates.h"
#include "tests/ui/ui_host_fixture.h"

namespace {

using namespace qortest;

TEST(SortListCtrl, NumberDetection) {
  struct Case {
    const char* text;
    bool number;
  } cases[] = {
      {"+", true},   {"-", true},     {"", false},    {"1.2.3", false}, {"12 ", true},  {"12\t", true},
      {"-3", true},  {"4.5", true},   {".5", true},   {"1.", true},     {" 12", false}, {"abc", false},
      {"1e3", false}, {"+-1", false}, {"   ", false}, {"１２", false},
  };
  for (const auto& c : cases) EXPECT_EQ(CSortListCtrl::IsNumberText(c.text), c.number) << "[" << c.text << "]";
}

TEST(SortListCtrl, NumbersCompareByTheirValues) {
  struct Case {
    const char *a, *b;
    bool ascending;
    int sign;
  } cases[] = {
      {"1.2", "1.9", true, -1},   // the fraction counts
      {"1.9", "1.2", true, 1},
      {"1.2", "1.9", false, 1},
      {"2", "2.0", true, 0},
      {"-3", "", true, -1},       // an empty cell counts as 0
      {"+", "0", true, 0},
      {"10", "9", true, 1},       // not as text
      {"12 ", "12", false, 0},
  };
  for (const auto& c : cases) {
    int r = CSortListCtrl::CompareTexts(c.a, c.b, c.ascending, true);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " " << c.b << " " << c.ascending;
  }
  EXPECT_LT(CSortListCtrl::CompareTexts("ABC", "abd", true, false), 0);
  EXPECT_EQ(CSortListCtrl::CompareTexts("Qor", "qOR", true, false), 0);
  EXPECT_GT(CSortListCtrl::CompareTexts("ABC", "abd", false, false), 0);
}

class SortListTest : public UiHostTest {
 protected:
  SortListTest() {
    UseResources(SampleResources());
    EXPECT_TRUE(m_dlg.Create());
    EXPECT_TRUE(list.Attach(m_dlg, kIdcList));
    list.InsertColumn(0, "序号");
    list.InsertColumn(1, "日期");
  }
  void Fill(std::vector<std::pair<std::string, std::string>> rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
      int r = list.InsertItem(static_cast<int>(i), rows[i].first);
      list.SetItemText(r, 1, rows[i].second);
      list.SetItemData(r, 100 + static_cast<intptr_t>(i));
    }
  }
  std::vector<std::string> Column(int col) {
    std::vector<std::string> out;
    for (int r = 0; r < list.GetItemCount(); ++r) out.push_back(list.GetItemText(r, col));
    return out;
  }
  void ClickHeader(int col) { ASSERT_TRUE(m_dlg.UserClickColumn(kIdcList, col)); }

  ui::Dialog m_dlg{kSampleDialog};
  CSortListCtrl list;
};

TEST_F(SortListTest, AColumnOfNumbersSortsByValue) {
  Fill({{"12", "a"}, {"-3", "b"}, {"", "c"}, {"4.5", "d"}, {"1.9", "e"}, {"1.2", "f"}});
  ClickHeader(0);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"-3", "", "1.2", "1.9", "4.5", "12"}));
}

TEST_F(SortListTest, OneTextCellMakesTheColumnSortAsText) {
  Fill({{"12", "a"}, {"-3", "b"}, {"abc", "c"}, {"4.5", "d"}, {"ABD", "e"}});
  ClickHeader(0);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"-3", "12", "4.5", "abc", "ABD"}));
}

TEST_F(SortListTest, FirstClickAscendingWithTheUpArrowSecondReverses) {
  Fill({{"2", "b"}, {"1", "c"}, {"3", "a"}});
  ClickHeader(0);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(list.HeaderImage(0), 0);
  EXPECT_TRUE(list.HeaderImageOnRight(0));
  ASSERT_EQ(list.Model()->HeaderImages().size(), 2u);
  ClickHeader(0);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"3", "2", "1"}));
  EXPECT_EQ(list.HeaderImage(0), 1);
}

TEST_F(SortListTest, EachColumnKeepsItsOwnOrder) {
  Fill({{"2", "b"}, {"1", "c"}, {"3", "a"}});
  ClickHeader(0);  // column 0 ascending
  ClickHeader(1);  // column 1 ascending, column 0 loses its arrow
  EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(list.HeaderImage(0), -1);
  EXPECT_FALSE(list.HeaderImageOnRight(0));
  EXPECT_EQ(list.HeaderImage(1), 0);
  ClickHeader(0);  // column 0 reverses its own last order
  EXPECT_EQ(Column(0), (std::vector<std::string>{"3", "2", "1"}));
  EXPECT_EQ(list.HeaderImage(0), 1);
  EXPECT_EQ(list.HeaderImage(1), -1);
}

TEST_F(SortListTest, EqualRowsKeepTheirOrderBothWays) {
  Fill({{"2", "first"}, {"2.0", "second"}, {"1", "x"}, {"2", "third"}});
  ClickHeader(0);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"x", "first", "second", "third"}));
  ClickHeader(0);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"first", "second", "third", "x"}));
}

TEST_F(SortListTest, ManyEqualRowsKeepTheirOrder) {
  // Enough rows that an unstable sort would mix equal ones.
  std::vector<std::pair<std::string, std::string>> rows;
  for (int i = 0; i < 200; ++i) rows.emplace_back(std::to_string((i * 7) % 3), std::to_string(i));
  Fill(rows);
  ClickHeader(0);
  int last[3] = {-1, -1, -1};
  for (int r = 0; r < list.GetItemCount(); ++r) {
    int key = std::stoi(list.GetItemText(r, 0)), seq = std::stoi(list.GetItemText(r, 1));
    EXPECT_GT(seq, last[key]) << r;
    last[key] = seq;
  }
}

TEST_F(SortListTest, ItemDataTravelsWithItsRow) {
  Fill({{"b", "0"}, {"c", "1"}, {"a", "2"}});
  ClickHeader(0);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"2", "0", "1"}));
  EXPECT_EQ(list.GetItemData(0), 102);
  EXPECT_EQ(list.GetItemData(1), 100);
  EXPECT_EQ(list.GetItemData(2), 101);
}

TEST_F(SortListTest, AOneColumnListSortsAndKeepsOneColumn) {
  list.DeleteColumn(1);
  for (const char* t : {"乙", "甲", "丙"}) list.InsertItem(list.GetItemCount(), t);
  ClickHeader(0);
  EXPECT_EQ(list.ColumnCount(), 1);
  // GBK byte order: 丙 (B1FB) < 甲 (BCD7) < 乙 (D2D2).
  EXPECT_EQ(Column(0), (std::vector<std::string>{"丙", "甲", "乙"}));
}

TEST(SortArrows, UpAndDownImages) {
  const uint32_t light = kArrowLight.Argb(), grey = kArrowGrey.Argb(), mask = kArrowMask.Argb();
  ui::Image up = MakeUpArrow(), down = MakeDownArrow();
  ASSERT_EQ(up.Width(), 8);
  ASSERT_EQ(down.Height(), 8);
  for (int x = 0; x < 7; ++x) EXPECT_EQ(up.Pixel(x, 6), light) << x;
  EXPECT_EQ(up.Pixel(7, 6), mask);
  EXPECT_EQ(up.Pixel(4, 0), light);
  EXPECT_EQ(up.Pixel(3, 0), grey);
  EXPECT_EQ(up.Pixel(0, 0), mask);
  for (int x = 1; x < 8; ++x) EXPECT_EQ(down.Pixel(x, 0), grey) << x;
  EXPECT_EQ(down.Pixel(0, 0), mask);
  // (3,5) is painted light and then grey; (4,5) is left to the mask.
  EXPECT_EQ(down.Pixel(4, 5), mask);
  EXPECT_EQ(down.Pixel(3, 5), grey);
  EXPECT_EQ(down.Pixel(4, 6), light);
  EXPECT_EQ(down.Pixel(4, 6), light);
  EXPECT_EQ(down.Pixel(3, 6), grey);
  // Outside the outline both stay the mask colour, shown as transparent.
  int upMask = 0, downMask = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      upMask += up.Pixel(x, y) == mask;
      downMask += down.Pixel(x, y) == mask;
    }
  EXPECT_EQ(upMask, 64 - 7 - 18);
  EXPECT_EQ(downMask, 64 - 7 - 17);
}

}  // namespace
