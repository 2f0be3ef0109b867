#pragma once
// A report list that sorts by the clicked column: numerically when every non-empty
// cell of the column is a number, else as text; each column keeps its own order and
// shows it as an arrow in its header.
#include <cstdint>
#include <string>

#include "platform/ui/control_ref.h"

class CSortListCtrl : public ui::ListCtrl {
 public:
  struct SortContext {
    const CSortListCtrl* list = nullptr;
    int column = 0;
    bool ascending = true;
    bool numeric = true;
  };

  // Trailing white space trimmed; then one optional sign and digits with at most one
  // "."; a sign alone counts, an empty text does not.
  static bool IsNumberText(const std::string& text);
  // The value of a number text (0 for a sign alone or an empty cell).
  static double NumberValue(const std::string& text);
  // <0, 0, >0 for two cell texts in the context's order.
  static int CompareTexts(const std::string& a, const std::string& b, bool ascending, bool numeric);
  // Rows given as their index before the sort.
  static int CompareItems(intptr_t row1, intptr_t row2, const SortContext& context);

  void OnColumnClick(int column);
  bool IsSortable() const { return m_sortable; }
  bool OnReflect(ui::Event& ev) override;

 private:
  bool m_sortable = true;
  bool m_arrowsMade = false;
};
