#pragma once
// An object bound to one control of a dialog (the way a dialog member stands for
// its control): window operations on it, and the overridables through which the
// host hands the control's painting, mouse and reflected notifications to it.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/control.h"
#include "platform/ui/events.h"
#include "platform/ui/painter.h"

namespace ui {

class Dialog;

class ControlRef {
 public:
  ControlRef() = default;
  virtual ~ControlRef();
  ControlRef(const ControlRef&) = delete;
  ControlRef& operator=(const ControlRef&) = delete;

  // False when the control does not exist or another object is bound to it.
  bool Attach(Dialog& dlg, int id);
  void Detach();
  bool IsAttached() const { return m_control != nullptr; }
  Dialog* Owner() const { return m_dialog; }
  int Id() const { return m_id; }
  Control* Item() const { return m_control; }

  std::string Text() const;
  void SetText(const std::string& gbk);
  void ModifyStyle(unsigned add, unsigned remove);
  void SetSize(int width, int height);
  void Invalidate(bool erase = true);
  void SetTooltip(const std::string& gbk);
  void SetRoundRegion(int ellipseW, int ellipseH);

  // --- overridables ---
  // Right after binding; the place to add styles.
  virtual void PreSubclass() {}
  virtual void DrawItem(Painter& painter, const DrawItemState& state);
  virtual void OnMouseMove() {}
  virtual void OnMouseHover() {}
  virtual void OnMouseLeave() {}
  // A notification of this control; true keeps it from the dialog.
  virtual bool OnReflect(Event& ev);

 protected:
  // Asks the host for one hover and one leave notice.
  bool TrackMouse();
  void NotifyChanged(Aspect aspect);

 private:
  friend class Dialog;
  Dialog* m_dialog = nullptr;
  Control* m_control = nullptr;
  int m_id = 0;
};

class Button : public ControlRef {};

class TabCtrl : public ControlRef {
 public:
  int InsertItem(int index, const std::string& gbk);
  bool SetItemText(int index, const std::string& gbk);
  std::string ItemText(int index) const;
  int GetCurSel() const;
  // Changes the selection without notifying.
  int SetCurSel(int index);
};

// A report-view list; every change reaches the host.
class ListCtrl : public ControlRef {
 public:
  int InsertColumn(int index, const std::string& caption, Align align = Align::Left, int width = 80);
  bool DeleteColumn(int index);
  int ColumnCount() const;
  bool SetColumnWidth(int column, int width);
  int ColumnWidth(int column) const;

  int InsertItem(int index, const std::string& gbk);
  bool DeleteItem(int row);
  bool DeleteAllItems();
  int GetItemCount() const;
  bool SetItemText(int row, int column, const std::string& gbk);
  std::string GetItemText(int row, int column) const;
  bool SetItemData(int row, intptr_t data);
  intptr_t GetItemData(int row) const;
  bool SetCheck(int row, bool checked);
  bool GetCheck(int row) const;
  bool SetItemSelected(int row, bool selected);
  int GetFirstSelected() const;
  void SetExtendedStyle(unsigned style);
  unsigned GetExtendedStyle() const;
  void SortItems(const std::function<int(intptr_t, intptr_t)>& compare);

  // Header images, and a column's header image / format / own value.
  void SetHeaderImages(std::vector<Image> images);
  bool SetHeaderImage(int column, int image, bool onRight);
  int HeaderImage(int column) const;
  bool HeaderImageOnRight(int column) const;
  bool SetColumnData(int column, intptr_t data);
  intptr_t ColumnData(int column) const;

  // The list model itself, or null when unbound.
  const ListModel* Model() const;
};

}  // namespace ui
