#include "panel/sort_list_ctrl.h"

#include <vector>

#include "platform/gbk.h"
#include "panel/sort_arrows.h"

bool CSortListCtrl::IsNumberText(const std::string& text) {
  const std::string t = gbk::TrimRight(text, " \t\r\n\v\f");
  if (t.empty()) return false;
  size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  int dots = 0;
  for (; i < t.size(); ++i) {
    if (t[i] == '.') {
      if (++dots > 1) return false;
    } else if (t[i] < '0' || t[i] > '9') {
      return false;
    }
  }
  return true;
}

double CSortListCtrl::NumberValue(const std::string& text) {
  const std::string t = gbk::TrimRight(text, " \t\r\n\v\f");
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  double value = 0, scale = 0;
  for (; i < t.size(); ++i) {
    if (t[i] == '.') {
      scale = 1;
      continue;
    }
    if (t[i] < '0' || t[i] > '9') break;
    if (scale > 0) {
      scale /= 10;
      value += (t[i] - '0') * scale;
    } else {
      value = value * 10 + (t[i] - '0');
    }
  }
  return negative ? -value : value;
}

int CSortListCtrl::CompareTexts(const std::string& a, const std::string& b, bool ascending, bool numeric) {
  if (numeric) {
    const double x = NumberValue(a), y = NumberValue(b);
    if (x == y) return 0;
    const int r = x < y ? -1 : 1;
    return ascending ? r : -r;
  }
  return ascending ? gbk::CompareNoCase(a, b) : gbk::CompareNoCase(b, a);
}

int CSortListCtrl::CompareItems(intptr_t row1, intptr_t row2, const SortContext& context) {
  const std::string a = context.list->GetItemText(static_cast<int>(row1), context.column);
  const std::string b = context.list->GetItemText(static_cast<int>(row2), context.column);
  return CompareTexts(a, b, context.ascending, context.numeric);
}

void CSortListCtrl::OnColumnClick(int column) {
  if (!m_sortable || column < 0 || column >= ColumnCount()) return;
  if (!m_arrowsMade) {
    SetHeaderImages({MakeUpArrow().WithColorKey(kArrowMask.Argb()), MakeDownArrow().WithColorKey(kArrowMask.Argb())});
    m_arrowsMade = true;
  }
  for (int i = 0; i < ColumnCount(); ++i)
    if (i != column) SetHeaderImage(i, -1, false);
  const bool wasSet = ColumnData(column) != 0;
  SetHeaderImage(column, wasSet ? 1 : 0, true);
  SetColumnData(column, wasSet ? 0 : 1);

  SortContext context;
  context.list = this;
  context.column = column;
  context.ascending = !wasSet;
  const int rows = GetItemCount();
  for (int r = 0; r < rows && context.numeric; ++r) {
    const std::string cell = GetItemText(r, column);
    if (!cell.empty() && !IsNumberText(cell)) context.numeric = false;
  }

  std::vector<intptr_t> remembered(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    remembered[static_cast<size_t>(r)] = GetItemData(r);
    SetItemData(r, r);
  }
  // The rows stay in place while the comparison reads them; they move at the end.
  SortItems([&context](intptr_t a, intptr_t b) { return CompareItems(a, b, context); });
  for (int r = 0; r < rows; ++r) {
    const intptr_t before = GetItemData(r);
    if (before >= 0 && before < rows) SetItemData(r, remembered[static_cast<size_t>(before)]);
  }
}

bool CSortListCtrl::OnReflect(ui::Event& ev) {
  if (ev.code == ui::Notify::ColumnClick) {
    OnColumnClick(ev.column);
    return true;
  }
  if (ev.code == ui::Notify::CustomDraw) {
    ev.result = 0;  // default drawing for every item
    return true;
  }
  return false;
}
