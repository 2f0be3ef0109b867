// The programs' resources: templates that fit, pictures of the right sizes, menus
// whose commands are unique.
#include <gtest/gtest.h>

#include <set>

#include "platform/ui/resource_set.h"
#include "resources/panel_ids.h"
#include "resources/panel_resources.h"
#include "resources/tray_ids.h"
#include "resources/tray_resources.h"

namespace {

void ExpectTemplatesFit(const ui::ResourceSet& set) {
  for (int id : set.DialogIds()) {
    const ui::DialogTemplate& t = *set.Dialog(id);
    std::set<int> ids;
    for (const auto& c : t.controls) {
      EXPECT_GE(c.x, 0) << id << "/" << c.id;
      EXPECT_GE(c.y, 0) << id << "/" << c.id;
      EXPECT_LE(c.x + c.cx, t.cx) << id << "/" << c.id;
      EXPECT_LE(c.y + c.cy, t.cy) << id << "/" << c.id;
      if (c.id != -1) {
        EXPECT_TRUE(ids.insert(c.id).second) << "duplicate control " << c.id << " in " << id;
      }
      if (c.kind == ui::ControlKind::Picture) {
        bool found = (c.style & ui::style::kIcon) ? set.Icon(c.imageId) != nullptr : set.Bitmap(c.imageId) != nullptr;
        EXPECT_TRUE(found) << "picture " << c.imageId << " in " << id;
      }
    }
  }
}

void CollectCommands(const ui::MenuItem& item, std::vector<int>& out) {
  for (const auto& sub : item.items) {
    if (sub.IsPopup()) CollectCommands(sub, out);
    else if (!sub.separator) out.push_back(sub.id);
  }
}

TEST(Resources, PanelTemplatesFitAndPicturesHaveTheirSizes) {
  const ui::ResourceSet& set = res::PanelResources();
  ExpectTemplatesFit(set);
  using namespace res::panel;
  ASSERT_NE(set.Dialog(kDlgStart), nullptr);
  const ui::Image* splash = set.Bitmap(kBmpStart);
  ASSERT_NE(splash, nullptr);
  EXPECT_EQ(splash->Width(), 400);
  EXPECT_EQ(splash->Height(), 250);
  EXPECT_EQ(set.Bitmap(kBmpBackground)->Width(), 670);
  EXPECT_EQ(set.Bitmap(kBmpBackground)->Height(), 490);
  for (int id : {kBmpSystemTab, kBmpRulesTab, kBmpLogsTab, kBmpRuleBase, kBmpRuleArea, kBmpRuleIp, kBmpRuleUrl,
                 kBmpRuleNotice, kBmpClose, kBmpMinimize}) {
    const ui::Image* strip = set.Bitmap(id);
    ASSERT_NE(strip, nullptr) << id;
    EXPECT_EQ(strip->Width() % 4, 0) << id;
    // The four states differ: pressed, hovered and focused look unlike normal.
    const int w = strip->Width() / 4;
    for (int k = 1; k < 4; ++k)
      EXPECT_NE(strip->Copy(ui::Rect{0, 0, w, strip->Height()}), strip->Copy(ui::Rect{k * w, 0, (k + 1) * w, strip->Height()}))
          << id << " image " << k;
  }
  EXPECT_EQ(set.Icon(kIconProgram)->Width(), 32);
  EXPECT_FALSE(set.String(kStrAboutMenu).empty());
}

TEST(Resources, PanelMenusAsTheLogPagesUseThem) {
  const ui::ResourceSet& set = res::PanelResources();
  struct Case {
    int menu;
    std::vector<int> commands;
  } cases[] = {
      {res::panel::kMenuLogDays, {32781, 32782, 32783, 32784}},
      {res::panel::kMenuLogEntries, {32786, 32788}},
      {res::panel::kMenuLogList, {32796, 32797, 32798, 32801, 32802}},
  };
  for (const auto& c : cases) {
    const ui::Menu* m = set.FindMenu(c.menu);
    ASSERT_NE(m, nullptr) << c.menu;
    ASSERT_NE(m->SubMenu(0), nullptr) << c.menu;
    std::vector<int> commands;
    CollectCommands(*m->SubMenu(0), commands);
    EXPECT_EQ(commands, c.commands) << c.menu;
  }
}

TEST(Resources, TrayTemplatesIconsAndMenu) {
  const ui::ResourceSet& set = res::TrayResources();
  ExpectTemplatesFit(set);
  using namespace res::tray;
  for (int id = kIconReady; id <= kIconUnknown; ++id) {
    const ui::Image* icon = set.Icon(id);
    ASSERT_NE(icon, nullptr) << id;
    EXPECT_EQ(icon->Width(), 16);
    EXPECT_EQ(icon->Height(), 16);
  }
  // Each status looks different.
  EXPECT_NE(*set.Icon(kIconReady), *set.Icon(kIconExited));
  EXPECT_NE(*set.Icon(kIconClosed), *set.Icon(kIconUnknown));
  EXPECT_EQ(set.Bitmap(kBmpStart)->Width(), 400);
  std::vector<int> commands;
  CollectCommands(*set.FindMenu(kMenuTray)->SubMenu(0), commands);
  EXPECT_EQ(commands, (std::vector<int>{32773, 32771, 32776}));
  for (int id : {1000, 1003, 1004, 1005, 1006, 1008, 1010, 1011, 1012, 1013, 1014}) {
    bool found = false;
    for (const auto& c : set.Dialog(kDlgMain)->controls) found = found || c.id == id;
    EXPECT_TRUE(found) << id;
  }
}

TEST(Resources, LookupsGoThroughTheInstalledSet) {
  const ui::ResourceSet* before = ui::Resources();
  ui::InstallResources(nullptr);
  EXPECT_EQ(ui::LoadBitmap(res::panel::kBmpStart), nullptr);
  res::InstallTrayResources();
  EXPECT_EQ(ui::LoadBitmap(res::panel::kBmpStart), nullptr);  // 170 belongs to the panel
  EXPECT_NE(ui::LoadIcon(res::tray::kIconReady), nullptr);
  res::InstallPanelResources();
  EXPECT_NE(ui::LoadBitmap(res::panel::kBmpStart), nullptr);
  EXPECT_NE(ui::FindDialogTemplate(res::panel::kDlgStart), nullptr);
  ui::InstallResources(before);
}

}  // namespace
