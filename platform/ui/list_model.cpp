#include "platform/ui/list_model.h"

#include <algorithm>
#include <numeric>

namespace ui {

int ListModel::InsertColumn(int index, const std::string& caption, Align align, int width) {
  if (index < 0) return -1;
  index = std::min(index, ColumnCount());
  m_columns.insert(m_columns.begin() + index, ListColumn{caption, width, align});
  for (auto& row : m_rows)
    if (static_cast<int>(row.texts.size()) > index) row.texts.insert(row.texts.begin() + index, std::string());
  return index;
}

bool ListModel::DeleteColumn(int index) {
  if (index < 0 || index >= ColumnCount()) return false;
  m_columns.erase(m_columns.begin() + index);
  for (auto& row : m_rows)
    if (static_cast<int>(row.texts.size()) > index) row.texts.erase(row.texts.begin() + index);
  return true;
}

ListColumn* ListModel::Column(int index) {
  return index >= 0 && index < ColumnCount() ? &m_columns[index] : nullptr;
}

const ListColumn* ListModel::Column(int index) const {
  return index >= 0 && index < ColumnCount() ? &m_columns[index] : nullptr;
}

int ListModel::InsertItem(int index, const std::string& text) {
  if (index < 0) return -1;
  index = std::min(index, ItemCount());
  ListRow row;
  row.texts.push_back(text);
  m_rows.insert(m_rows.begin() + index, std::move(row));
  return index;
}

bool ListModel::DeleteItem(int row) {
  if (row < 0 || row >= ItemCount()) return false;
  m_rows.erase(m_rows.begin() + row);
  return true;
}

void ListModel::DeleteAllItems() { m_rows.clear(); }

bool ListModel::SetItemText(int row, int column, const std::string& text) {
  if (row < 0 || row >= ItemCount() || column < 0 || column >= std::max(1, ColumnCount())) return false;
  auto& texts = m_rows[row].texts;
  if (static_cast<int>(texts.size()) <= column) texts.resize(column + 1);
  texts[column] = text;
  return true;
}

std::string ListModel::ItemText(int row, int column) const {
  if (row < 0 || row >= ItemCount() || column < 0) return std::string();
  const auto& texts = m_rows[row].texts;
  return column < static_cast<int>(texts.size()) ? texts[column] : std::string();
}

bool ListModel::SetItemData(int row, intptr_t data) {
  if (row < 0 || row >= ItemCount()) return false;
  m_rows[row].data = data;
  return true;
}

intptr_t ListModel::ItemData(int row) const { return row >= 0 && row < ItemCount() ? m_rows[row].data : 0; }

bool ListModel::SetCheck(int row, bool checked) {
  if (row < 0 || row >= ItemCount()) return false;
  m_rows[row].checked = checked;
  return true;
}

bool ListModel::Check(int row) const { return row >= 0 && row < ItemCount() && m_rows[row].checked; }

bool ListModel::Select(int row, bool selected) {
  if (row < 0 || row >= ItemCount()) return false;
  m_rows[row].selected = selected;
  return true;
}

void ListModel::SelectOnly(int row) {
  for (int i = 0; i < ItemCount(); ++i) m_rows[i].selected = (i == row);
}

bool ListModel::IsSelected(int row) const { return row >= 0 && row < ItemCount() && m_rows[row].selected; }

int ListModel::FirstSelected() const {
  for (int i = 0; i < ItemCount(); ++i)
    if (m_rows[i].selected) return i;
  return -1;
}

void ListModel::SortItems(const std::function<int(intptr_t, intptr_t)>& compare) {
  std::vector<size_t> order(m_rows.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return compare(m_rows[a].data, m_rows[b].data) < 0; });
  std::vector<ListRow> sorted;
  sorted.reserve(m_rows.size());
  for (size_t i : order) sorted.push_back(std::move(m_rows[i]));
  m_rows = std::move(sorted);
}

}  // namespace ui
