#include "platform/ui/menu.h"

namespace ui {

const MenuItem* Menu::SubMenu(int n) const {
  int seen = 0;
  for (const auto& item : items) {
    if (!item.IsPopup()) continue;
    if (seen++ == n) return &item;
  }
  return nullptr;
}

MenuItem MenuCommand(int id, const std::string& text) {
  MenuItem m;
  m.id = id;
  m.text = text;
  return m;
}

MenuItem MenuSeparator() {
  MenuItem m;
  m.separator = true;
  return m;
}

MenuItem MenuPopup(const std::string& text, std::vector<MenuItem> items) {
  MenuItem m;
  m.text = text;
  m.items = std::move(items);
  return m;
}

}  // namespace ui
