#pragma once
// The contents of a report-view list: columns (with header images for sort arrows),
// rows of texts with item data, check box and selection.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/image.h"

namespace ui {

namespace list_style {
// Extended styles, with the values the dialogs are written with.
enum : unsigned {
  kGridLines = 0x1,
  kCheckBoxes = 0x4,
  kFullRowSelect = 0x20,
  kTwoClickActivate = 0x80,
  kFlatScrollBars = 0x100,
};
}  // namespace list_style

enum class Align { Left, Center, Right };

struct ListColumn {
  std::string caption;
  int width = 0;  // pixels; 0 hides the column
  Align align = Align::Left;
  int image = -1;          // index into the header images, -1 for none
  bool imageOnRight = false;
  intptr_t data = 0;       // the column's own value (the sort list keeps its last order here)
};

struct ListRow {
  std::vector<std::string> texts;
  intptr_t data = 0;
  bool checked = false;
  bool selected = false;
};

class ListModel {
 public:
  int InsertColumn(int index, const std::string& caption, Align align, int width);
  bool DeleteColumn(int index);
  int ColumnCount() const { return static_cast<int>(m_columns.size()); }
  ListColumn* Column(int index);
  const ListColumn* Column(int index) const;

  // Returns the new row's index, -1 when index is negative. Beyond the end appends.
  int InsertItem(int index, const std::string& text);
  bool DeleteItem(int row);
  void DeleteAllItems();
  int ItemCount() const { return static_cast<int>(m_rows.size()); }

  bool SetItemText(int row, int column, const std::string& text);
  // Empty for a row or column that does not exist.
  std::string ItemText(int row, int column) const;
  bool SetItemData(int row, intptr_t data);
  intptr_t ItemData(int row) const;
  bool SetCheck(int row, bool checked);
  bool Check(int row) const;
  bool Select(int row, bool selected);
  void SelectOnly(int row);
  bool IsSelected(int row) const;
  // -1 when nothing is selected.
  int FirstSelected() const;

  // Orders the rows by compare(data1, data2) < 0; rows that compare equal keep their
  // order. The rows stay where they are while compare runs, so it may read them.
  void SortItems(const std::function<int(intptr_t, intptr_t)>& compare);

  unsigned ExtendedStyle() const { return m_extended; }
  void SetExtendedStyle(unsigned style) { m_extended = style; }

  std::vector<Image>& HeaderImages() { return m_headerImages; }
  const std::vector<Image>& HeaderImages() const { return m_headerImages; }

  const std::vector<ListRow>& Rows() const { return m_rows; }
  const std::vector<ListColumn>& Columns() const { return m_columns; }

 private:
  std::vector<ListColumn> m_columns;
  std::vector<ListRow> m_rows;
  std::vector<Image> m_headerImages;
  unsigned m_extended = 0;
};

}  // namespace ui
