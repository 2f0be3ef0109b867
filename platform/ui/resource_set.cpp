#include "platform/ui/resource_set.h"

#include <atomic>
#include <mutex>

namespace ui {

namespace {
std::atomic<const ResourceSet*> g_resources{nullptr};
std::recursive_mutex g_makeMutex;  // a picture may be made from another

template <typename M>
std::vector<int> Keys(const M& map) {
  std::vector<int> ids;
  for (const auto& [id, v] : map) ids.push_back(id);
  return ids;
}
}  // namespace

void ResourceSet::AddDialog(DialogTemplate t) { m_dialogs[t.id] = std::move(t); }
void ResourceSet::AddMenu(Menu m) { m_menus[m.id] = std::move(m); }
void ResourceSet::AddString(int id, std::string text) { m_strings[id] = std::move(text); }
void ResourceSet::AddBitmap(int id, std::function<Image()> make) { m_bitmaps[id].make = std::move(make); }
void ResourceSet::AddIcon(int id, std::function<Image()> make) { m_icons[id].make = std::move(make); }

const DialogTemplate* ResourceSet::Dialog(int id) const {
  auto it = m_dialogs.find(id);
  return it == m_dialogs.end() ? nullptr : &it->second;
}

const Menu* ResourceSet::FindMenu(int id) const {
  auto it = m_menus.find(id);
  return it == m_menus.end() ? nullptr : &it->second;
}

std::string ResourceSet::String(int id) const {
  auto it = m_strings.find(id);
  return it == m_strings.end() ? std::string() : it->second;
}

const Image* ResourceSet::Make(const std::map<int, Picture>& pictures, int id) const {
  auto it = pictures.find(id);
  if (it == pictures.end()) return nullptr;
  // Worker threads (the tray's status thread) load icons too.
  std::lock_guard<std::recursive_mutex> lock(g_makeMutex);
  if (!it->second.made) {
    it->second.image = it->second.make ? it->second.make() : Image();
    it->second.made = true;
  }
  return &it->second.image;
}

const Image* ResourceSet::Bitmap(int id) const { return Make(m_bitmaps, id); }
const Image* ResourceSet::Icon(int id) const { return Make(m_icons, id); }

std::vector<int> ResourceSet::DialogIds() const { return Keys(m_dialogs); }

void InstallResources(const ResourceSet* set) { g_resources.store(set); }
const ResourceSet* Resources() { return g_resources.load(); }

const DialogTemplate* FindDialogTemplate(int id) {
  auto* r = Resources();
  return r ? r->Dialog(id) : nullptr;
}
const Menu* LoadMenu(int id) {
  auto* r = Resources();
  return r ? r->FindMenu(id) : nullptr;
}
std::string LoadString(int id) {
  auto* r = Resources();
  return r ? r->String(id) : std::string();
}
const Image* LoadBitmap(int id) {
  auto* r = Resources();
  return r ? r->Bitmap(id) : nullptr;
}
const Image* LoadIcon(int id) {
  auto* r = Resources();
  return r ? r->Icon(id) : nullptr;
}

}  // namespace ui
