#pragma once
// Menus from the resources: items with a command id, separators and popups.
#include <string>
#include <vector>

namespace ui {

struct MenuItem {
  int id = 0;            // command; 0 for a separator or a popup
  std::string text;      // GBK; "&" marks the access key
  bool separator = false;
  std::vector<MenuItem> items;  // a popup's items

  bool IsPopup() const { return !separator && id == 0 && !items.empty(); }
};

struct Menu {
  int id = 0;
  std::vector<MenuItem> items;  // the menu bar level; each is usually a popup

  // The n-th popup of the menu bar level, or null.
  const MenuItem* SubMenu(int n) const;
};

MenuItem MenuCommand(int id, const std::string& text);
MenuItem MenuSeparator();
MenuItem MenuPopup(const std::string& text, std::vector<MenuItem> items);

}  // namespace ui
