#include "platform/ui/list_model.h"

#include <gtest/gtest.h>

namespace {

ui::ListModel ThreeRows() {
  ui::ListModel m;
  m.InsertColumn(0, "甲", ui::Align::Left, 50);
  m.InsertColumn(1, "乙", ui::Align::Right, 0);
  for (const char* t : {"c", "a", "b"}) {
    int row = m.InsertItem(m.ItemCount(), t);
    m.SetItemData(row, row);
  }
  return m;
}

TEST(ListModel, RowsAndCells) {
  ui::ListModel m = ThreeRows();
  EXPECT_EQ(m.InsertItem(0, "top"), 0);
  EXPECT_EQ(m.ItemText(0, 0), "top");
  EXPECT_EQ(m.ItemText(1, 0), "c");
  EXPECT_TRUE(m.SetItemText(1, 1, "隐藏"));
  EXPECT_EQ(m.ItemText(1, 1), "隐藏");
  EXPECT_FALSE(m.SetItemText(1, 2, "x"));  // no such column
  EXPECT_EQ(m.ItemText(9, 0), "");
  EXPECT_EQ(m.InsertItem(-1, "x"), -1);
  EXPECT_EQ(m.InsertItem(99, "end"), 4);
  EXPECT_TRUE(m.DeleteItem(0));
  EXPECT_EQ(m.ItemText(0, 0), "c");
  EXPECT_FALSE(m.DeleteItem(10));
  EXPECT_EQ(m.FirstSelected(), -1);
  m.SelectOnly(2);
  EXPECT_EQ(m.FirstSelected(), 2);
}

TEST(ListModel, ColumnsMoveTheirCells) {
  ui::ListModel m = ThreeRows();
  m.SetItemText(0, 1, "right");
  m.InsertColumn(1, "新", ui::Align::Left, 10);
  EXPECT_EQ(m.ItemText(0, 2), "right");
  EXPECT_EQ(m.ItemText(0, 1), "");
  EXPECT_TRUE(m.DeleteColumn(1));
  EXPECT_EQ(m.ItemText(0, 1), "right");
}

TEST(ListModel, SortIsStableAndReadsRowsWhereTheyStood) {
  ui::ListModel m;
  m.InsertColumn(0, "k", ui::Align::Left, 10);
  const char* keys[] = {"b", "a", "b", "a", "c"};
  for (int i = 0; i < 5; ++i) {
    m.InsertItem(i, keys[i]);
    m.SetItemData(i, i);
  }
  // The comparator reads texts by the rows' indices before the sort.
  m.SortItems([&m](intptr_t x, intptr_t y) {
    return m.ItemText(static_cast<int>(x), 0).compare(m.ItemText(static_cast<int>(y), 0));
  });
  std::vector<intptr_t> order;
  for (int i = 0; i < 5; ++i) order.push_back(m.ItemData(i));
  EXPECT_EQ(order, (std::vector<intptr_t>{1, 3, 0, 2, 4}));
}

}  // namespace
