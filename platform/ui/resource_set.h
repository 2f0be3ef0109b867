#pragma once
// The resources of one program (dialog templates, menus, strings, bitmaps, icons),
// found by id. A program installs its set once at start; dialogs and hosts look
// resources up through it.
#include <functional>
#include <map>
#include <string>

#include "platform/ui/dialog_template.h"
#include "platform/ui/image.h"
#include "platform/ui/menu.h"

namespace ui {

class ResourceSet {
 public:
  void AddDialog(DialogTemplate t);
  void AddMenu(Menu m);
  void AddString(int id, std::string text);
  // Pictures are made on first use.
  void AddBitmap(int id, std::function<Image()> make);
  void AddIcon(int id, std::function<Image()> make);

  const DialogTemplate* Dialog(int id) const;
  const Menu* FindMenu(int id) const;
  // Empty when missing.
  std::string String(int id) const;
  const Image* Bitmap(int id) const;
  const Image* Icon(int id) const;

  std::vector<int> DialogIds() const;

 private:
  struct Picture {
    std::function<Image()> make;
    mutable bool made = false;
    mutable Image image;
  };
  const Image* Make(const std::map<int, Picture>& pictures, int id) const;

  std::map<int, DialogTemplate> m_dialogs;
  std::map<int, Menu> m_menus;
  std::map<int, std::string> m_strings;
  std::map<int, Picture> m_bitmaps, m_icons;
};

// The running program's resources (null until installed).
void InstallResources(const ResourceSet* set);
const ResourceSet* Resources();

// Shortcuts on the installed set; null or empty when missing.
const DialogTemplate* FindDialogTemplate(int id);
const Menu* LoadMenu(int id);
std::string LoadString(int id);
const Image* LoadBitmap(int id);
const Image* LoadIcon(int id);

}  // namespace ui
