#include "platform/ui/control_ref.h"

#include "platform/ui/dialog.h"

namespace ui {

ControlRef::~ControlRef() { Detach(); }

bool ControlRef::Attach(Dialog& dlg, int id) {
  Control* c = dlg.Item(id);
  if (!c || c->binding || m_control) return false;
  m_dialog = &dlg;
  m_control = c;
  m_id = id;
  c->binding = this;
  PreSubclass();
  return true;
}

void ControlRef::Detach() {
  if (m_control) m_control->binding = nullptr;
  m_control = nullptr;
  m_dialog = nullptr;
}

void ControlRef::NotifyChanged(Aspect aspect) {
  if (m_dialog) m_dialog->Changed(m_id, aspect);
}

std::string ControlRef::Text() const { return m_control ? m_control->text : std::string(); }

void ControlRef::SetText(const std::string& text) {
  if (m_dialog) m_dialog->SetItemText(m_id, text);
}

void ControlRef::ModifyStyle(unsigned add, unsigned remove) {
  if (m_dialog) m_dialog->SetItemStyle(m_id, add, remove);
}

void ControlRef::SetSize(int width, int height) {
  if (!m_dialog) return;
  Rect r = m_control->rect;
  m_dialog->MoveItem(m_id, Rect::FromSize(r.left, r.top, width, height));
}

void ControlRef::Invalidate(bool erase) {
  if (m_dialog) m_dialog->InvalidateItem(m_id, erase);
}

void ControlRef::SetTooltip(const std::string& text) {
  if (m_dialog) m_dialog->SetItemTooltip(m_id, text);
}

void ControlRef::SetRoundRegion(int ellipseW, int ellipseH) {
  if (!m_control) return;
  m_control->roundCorners = Size{ellipseW, ellipseH};
  NotifyChanged(Aspect::Region);
}

void ControlRef::DrawItem(Painter&, const DrawItemState&) {}
bool ControlRef::OnReflect(Event&) { return false; }

bool ControlRef::TrackMouse() {
  Host* h = CurrentHost();
  return m_dialog && h && h->TrackMouse(*m_dialog, m_id);
}

// --- TabCtrl ---

int TabCtrl::InsertItem(int index, const std::string& text) {
  Control* c = Item();
  if (!c || index < 0) return -1;
  auto& tabs = c->tabs;
  if (index > static_cast<int>(tabs.size())) index = static_cast<int>(tabs.size());
  tabs.insert(tabs.begin() + index, text);
  if (c->tabSelection < 0) c->tabSelection = 0;
  else if (index <= c->tabSelection && tabs.size() > 1) ++c->tabSelection;
  NotifyChanged(Aspect::Tabs);
  return index;
}

bool TabCtrl::SetItemText(int index, const std::string& text) {
  Control* c = Item();
  if (!c || index < 0 || index >= static_cast<int>(c->tabs.size())) return false;
  c->tabs[index] = text;
  NotifyChanged(Aspect::Tabs);
  return true;
}

std::string TabCtrl::ItemText(int index) const {
  Control* c = Item();
  if (!c || index < 0 || index >= static_cast<int>(c->tabs.size())) return std::string();
  return c->tabs[index];
}

int TabCtrl::GetCurSel() const { return Item() ? Item()->tabSelection : -1; }

int TabCtrl::SetCurSel(int index) {
  Control* c = Item();
  if (!c || index < 0 || index >= static_cast<int>(c->tabs.size())) return -1;
  int old = c->tabSelection;
  c->tabSelection = index;
  NotifyChanged(Aspect::Tabs);
  return old;
}

// --- ListCtrl ---

int ListCtrl::InsertColumn(int index, const std::string& caption, Align align, int width) {
  if (!Item()) return -1;
  int r = Item()->list.InsertColumn(index, caption, align, width);
  NotifyChanged(Aspect::List);
  return r;
}

bool ListCtrl::DeleteColumn(int index) {
  if (!Item() || !Item()->list.DeleteColumn(index)) return false;
  NotifyChanged(Aspect::List);
  return true;
}

int ListCtrl::ColumnCount() const { return Item() ? Item()->list.ColumnCount() : 0; }

bool ListCtrl::SetColumnWidth(int column, int width) {
  ListColumn* col = Item() ? Item()->list.Column(column) : nullptr;
  if (!col) return false;
  col->width = width;
  NotifyChanged(Aspect::List);
  return true;
}

int ListCtrl::ColumnWidth(int column) const {
  const ListColumn* col = Item() ? Item()->list.Column(column) : nullptr;
  return col ? col->width : 0;
}

int ListCtrl::InsertItem(int index, const std::string& text) {
  if (!Item()) return -1;
  int r = Item()->list.InsertItem(index, text);
  if (r >= 0) NotifyChanged(Aspect::List);
  return r;
}

bool ListCtrl::DeleteItem(int row) {
  if (!Item() || !Item()->list.DeleteItem(row)) return false;
  NotifyChanged(Aspect::List);
  return true;
}

bool ListCtrl::DeleteAllItems() {
  if (!Item()) return false;
  Item()->list.DeleteAllItems();
  NotifyChanged(Aspect::List);
  return true;
}

int ListCtrl::GetItemCount() const { return Item() ? Item()->list.ItemCount() : 0; }

bool ListCtrl::SetItemText(int row, int column, const std::string& text) {
  if (!Item() || !Item()->list.SetItemText(row, column, text)) return false;
  NotifyChanged(Aspect::List);
  return true;
}

std::string ListCtrl::GetItemText(int row, int column) const {
  return Item() ? Item()->list.ItemText(row, column) : std::string();
}

bool ListCtrl::SetItemData(int row, intptr_t data) { return Item() && Item()->list.SetItemData(row, data); }

intptr_t ListCtrl::GetItemData(int row) const { return Item() ? Item()->list.ItemData(row) : 0; }

bool ListCtrl::SetCheck(int row, bool checked) {
  if (!Item() || !Item()->list.SetCheck(row, checked)) return false;
  NotifyChanged(Aspect::List);
  return true;
}

bool ListCtrl::GetCheck(int row) const { return Item() && Item()->list.Check(row); }

bool ListCtrl::SetItemSelected(int row, bool selected) {
  if (!Item() || !Item()->list.Select(row, selected)) return false;
  NotifyChanged(Aspect::List);
  return true;
}

int ListCtrl::GetFirstSelected() const { return Item() ? Item()->list.FirstSelected() : -1; }

void ListCtrl::SetExtendedStyle(unsigned style) {
  if (!Item()) return;
  Item()->list.SetExtendedStyle(style);
  NotifyChanged(Aspect::List);
}

unsigned ListCtrl::GetExtendedStyle() const { return Item() ? Item()->list.ExtendedStyle() : 0; }

void ListCtrl::SortItems(const std::function<int(intptr_t, intptr_t)>& compare) {
  if (!Item()) return;
  Item()->list.SortItems(compare);
  NotifyChanged(Aspect::List);
}

void ListCtrl::SetHeaderImages(std::vector<Image> images) {
  if (!Item()) return;
  Item()->list.HeaderImages() = std::move(images);
  NotifyChanged(Aspect::List);
}

bool ListCtrl::SetHeaderImage(int column, int image, bool onRight) {
  ListColumn* col = Item() ? Item()->list.Column(column) : nullptr;
  if (!col) return false;
  col->image = image;
  col->imageOnRight = onRight;
  NotifyChanged(Aspect::List);
  return true;
}

int ListCtrl::HeaderImage(int column) const {
  const ListColumn* col = Item() ? Item()->list.Column(column) : nullptr;
  return col ? col->image : -1;
}

bool ListCtrl::HeaderImageOnRight(int column) const {
  const ListColumn* col = Item() ? Item()->list.Column(column) : nullptr;
  return col && col->imageOnRight;
}

bool ListCtrl::SetColumnData(int column, intptr_t data) {
  ListColumn* col = Item() ? Item()->list.Column(column) : nullptr;
  if (!col) return false;
  col->data = data;
  return true;
}

intptr_t ListCtrl::ColumnData(int column) const {
  const ListColumn* col = Item() ? Item()->list.Column(column) : nullptr;
  return col ? col->data : 0;
}

const ListModel* ListCtrl::Model() const { return Item() ? &Item()->list : nullptr; }

}  // namespace ui
