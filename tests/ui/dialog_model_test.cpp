// The dialog model on the test host: controls from templates, data exchange,
// clicks, keys and notifications.
#include <gtest/gtest.h>

#include "platform/ui/control_ref.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"
#include "tests/ui/sample_templates.h"
#include "tests/ui/ui_host_fixture.h"

namespace {

using namespace qortest;

class Sample : public ui::Dialog {
 public:
  explicit Sample(int id = kSampleDialog) : ui::Dialog(id) {}
  std::string name = "名字";
  int autoCheck = 1;
  int radio = 2;
  ui::Button run;
  std::vector<int> commands;

  void DoDataExchange(ui::DataExchange& dx) override {
    dx.Text(kIdcName, name);
    dx.Check(kIdcAuto, autoCheck);
    dx.Radio(kIdcRadioA, radio);
    dx.Control(kIdcRun, run);
  }
  void Track(int id) {
    OnCommand(id, [this, id] { commands.push_back(id); });
  }
};

class DialogModelTest : public UiHostTest {
 protected:
  DialogModelTest() { UseResources(SampleResources()); }
};

TEST_F(DialogModelTest, ControlsComeFromTheTemplateInPixels) {
  Sample dlg;
  ASSERT_TRUE(dlg.Create());
  const ui::Control* edit = dlg.Item(kIdcName);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->kind, ui::ControlKind::Edit);
  EXPECT_EQ(edit->rect, (ui::Rect{15, 15, 135, 33}));
  EXPECT_EQ(dlg.ItemText(kIdOk), "确定");
  EXPECT_FALSE(dlg.IsItemVisible(kIdcHidden));
  EXPECT_FALSE(dlg.IsItemEnabled(kIdcHidden));
  EXPECT_EQ(dlg.Item(4242), nullptr);
  // 200 x 120 units of client area inside the caption and frame.
  EXPECT_EQ(dlg.ClientRect(), (ui::Rect{0, 0, 300, 180}));
  EXPECT_EQ(dlg.WindowRect().Width(), 300 + 2 * ui::kFrameWidth);
  EXPECT_EQ(dlg.WindowText(), "样例");
}

TEST_F(DialogModelTest, NothingIsMadeWithoutTemplate) {
  ui::Dialog missing(4711);
  EXPECT_EQ(missing.DoModal(), -1);
  EXPECT_FALSE(missing.Create());
}

TEST_F(DialogModelTest, DataExchangeBothWays) {
  Sample dlg;
  ASSERT_TRUE(dlg.Create());  // the base initialisation shows the members
  EXPECT_EQ(dlg.ItemText(kIdcName), "名字");
  EXPECT_EQ(dlg.IsItemChecked(kIdcAuto), 1);
  EXPECT_EQ(dlg.IsItemChecked(kIdcRadioC), 1);
  EXPECT_EQ(dlg.IsItemChecked(kIdcRadioA), 0);
  EXPECT_TRUE(dlg.run.IsAttached());

  dlg.UserEdit(kIdcName, "新名字");
  ASSERT_TRUE(dlg.Click(kIdcAuto));
  ASSERT_TRUE(dlg.Click(kIdcRadioA));
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(dlg.name, "新名字");
  EXPECT_EQ(dlg.autoCheck, 0);
  EXPECT_EQ(dlg.radio, 0);

  dlg.radio = -1;
  dlg.UpdateData(false);
  EXPECT_EQ(dlg.RadioIndex(kIdcRadioA), -1);
}

TEST_F(DialogModelTest, BindingToAMissingControlFailsTheExchange) {
  struct Broken : Sample {
    ui::Button ghost;
    void DoDataExchange(ui::DataExchange& dx) override { dx.Control(4242, ghost); }
  } dlg;
  ASSERT_TRUE(dlg.Create());
  EXPECT_FALSE(dlg.UpdateData(true));
  EXPECT_FALSE(dlg.ghost.IsAttached());
}

TEST_F(DialogModelTest, ClicksFollowKindAndStyle) {
  struct Case {
    int id;
    bool reported;
    int checkAfter;
  } cases[] = {
      {kIdcAuto, true, 0},     // auto check box toggles (starts checked)
      {kIdcManual, true, 0},   // a plain one reports but keeps its state
      {kIdcLink, true, 0},     // a notifying static reports
      {kIdcLabel, false, 0},   // a plain static is silent
      {kIdcHidden, false, 0},  // hidden and disabled
      {kIdcName, false, 0},    // edits have no click
  };
  for (const auto& c : cases) {
    Sample dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.Track(c.id);
    EXPECT_EQ(dlg.Click(c.id), c.reported) << c.id;
    EXPECT_EQ(dlg.commands.size(), c.reported ? 1u : 0u) << c.id;
    EXPECT_EQ(dlg.IsItemChecked(c.id), c.checkAfter) << c.id;
  }
}

TEST_F(DialogModelTest, RadioGroupsEndAtTheNextGroupStart) {
  Sample dlg;
  ASSERT_TRUE(dlg.Create());
  dlg.Click(kIdcRadioB);
  EXPECT_EQ(dlg.RadioIndex(kIdcRadioA), 1);
  EXPECT_EQ(dlg.IsItemChecked(kIdcRadioC), 0);
  dlg.CheckRadio(kIdcRadioC);
  EXPECT_EQ(dlg.RadioIndex(kIdcRadioA), 2);
  EXPECT_EQ(dlg.IsItemChecked(kIdcRadioB), 0);
}

TEST_F(DialogModelTest, EnterAndEscapeByTheDialogManagerRules) {
  struct Case {
    int templateId;
    int focus;
    ui::Key key;
    bool swallowed;
    int command;  // 0: none
  } cases[] = {
      {kSampleDialog, kIdcName, ui::Key::Enter, true, kIdOk},
      {kSampleWithDefault, kIdcName, ui::Key::Enter, true, kIdcRun},
      {kSampleDialog, kIdCancel, ui::Key::Enter, true, kIdCancel},  // a focused push button
      {kSampleDialog, kIdcNotes, ui::Key::Enter, false, 0},         // multi-line edit keeps Enter
      {kSampleDialog, kIdcName, ui::Key::Escape, true, kIdCancel},
      {kSampleDialog, kIdcName, ui::Key::PageDown, false, 0},
  };
  for (const auto& c : cases) {
    Sample dlg(c.templateId);
    ASSERT_TRUE(dlg.Create());
    for (int id : {int(kIdOk), int(kIdCancel), int(kIdcRun)}) dlg.Track(id);
    ui::KeyEvent ev;
    ev.key = c.key;
    ev.focusId = c.focus;
    EXPECT_EQ(dlg.KeyDown(ev), c.swallowed) << c.templateId << " " << c.focus;
    if (c.command) {
      ASSERT_EQ(dlg.commands.size(), 1u);
      EXPECT_EQ(dlg.commands[0], c.command);
    } else {
      EXPECT_TRUE(dlg.commands.empty());
    }
  }
}

TEST_F(DialogModelTest, EnterEndsAModalDialogWithItsValues) {
  Sample dlg;
  Host().WhenShown(kSampleDialog, [](ui::Dialog& d) {
    d.UserEdit(kIdcName, "回车");
    ui::KeyEvent ev;
    ev.key = ui::Key::Enter;
    d.KeyDown(ev);
  });
  EXPECT_EQ(dlg.DoModal(), kIdOk);
  EXPECT_EQ(dlg.name, "回车");
  EXPECT_FALSE(dlg.IsCreated());
}

TEST_F(DialogModelTest, KeysReachThePageBeforeItsParent) {
  struct Holder : ui::Dialog {
    Holder() : ui::Dialog(kSampleHolder) {}
    std::vector<ui::KeyEvent> seen;
    bool PreTranslateKey(const ui::KeyEvent& k) override {
      seen.push_back(k);
      return k.key == ui::Key::F1;
    }
  } holder;
  struct Page : ui::Dialog {
    Page() : ui::Dialog(kSamplePage) {}
    int oks = 0;
    void OnOK() override {
      ++oks;
      ui::Dialog::OnOK();
    }
  } page;
  ASSERT_TRUE(holder.Create());
  ASSERT_TRUE(page.Create(&holder));
  ui::KeyEvent enter;
  enter.key = ui::Key::Enter;
  enter.focusId = kIdcName;
  // A page has no default button: Enter in its edit goes on to the dialog holding it
  // (which lets it pass here), and the page does not take it as its own IDOK.
  EXPECT_FALSE(page.KeyDown(enter));
  EXPECT_EQ(page.oks, 0);
  EXPECT_FALSE(page.HasEnded());
  ASSERT_EQ(holder.seen.size(), 1u);
  EXPECT_EQ(holder.seen[0].key, ui::Key::Enter);
  EXPECT_EQ(holder.seen[0].focusId, 0);  // the focus is not one of the holder's controls
  EXPECT_FALSE(holder.seen[0].focusWantsEnter);
  ui::KeyEvent f1;
  f1.key = ui::Key::F1;
  f1.focusId = kIdcName;
  EXPECT_TRUE(page.KeyDown(f1));
  ASSERT_EQ(holder.seen.size(), 2u);
  EXPECT_EQ(holder.seen[1].focusId, 0);
  EXPECT_EQ(holder.Children().size(), 1u);
  holder.DestroyWindow();
  EXPECT_FALSE(page.IsCreated());
}

TEST_F(DialogModelTest, TabChangeCanBeRefused) {
  Sample dlg;
  ASSERT_TRUE(dlg.Create());
  ui::TabCtrl tabs;
  ASSERT_TRUE(tabs.Attach(dlg, kIdcTabs));
  tabs.InsertItem(0, "所有");
  tabs.InsertItem(1, "区域");
  EXPECT_EQ(tabs.GetCurSel(), 0);
  bool refuse = true;
  int changed = 0;
  dlg.On(kIdcTabs, ui::Notify::SelChanging, [&](ui::Event& ev) { ev.result = refuse ? 1 : 0; });
  dlg.On(kIdcTabs, ui::Notify::SelChanged, [&](ui::Event&) { ++changed; });
  EXPECT_FALSE(dlg.UserSelectTab(kIdcTabs, 1));
  EXPECT_EQ(tabs.GetCurSel(), 0);
  refuse = false;
  EXPECT_TRUE(dlg.UserSelectTab(kIdcTabs, 1));
  EXPECT_EQ(tabs.GetCurSel(), 1);
  EXPECT_EQ(changed, 1);
  EXPECT_FALSE(dlg.UserSelectTab(kIdcTabs, 5));
}

TEST_F(DialogModelTest, ListRowsReportClicksWithTheirRow) {
  Sample dlg;
  ASSERT_TRUE(dlg.Create());
  ui::ListCtrl list;
  ASSERT_TRUE(list.Attach(dlg, kIdcList));
  list.InsertColumn(0, "甲");
  list.InsertItem(0, "a");
  list.InsertItem(1, "b");
  std::vector<std::pair<ui::Notify, int>> seen;
  for (auto code : {ui::Notify::Clicked, ui::Notify::DoubleClicked, ui::Notify::RightClicked})
    dlg.On(kIdcList, code, [&seen](ui::Event& ev) { seen.emplace_back(ev.code, ev.row); });
  dlg.ClickRow(kIdcList, 1);
  EXPECT_EQ(list.GetFirstSelected(), 1);
  dlg.RightClick(kIdcList, 0, ui::Point{5, 5});
  EXPECT_EQ(list.GetFirstSelected(), 0);
  dlg.DoubleClick(kIdcList, 1);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], std::make_pair(ui::Notify::Clicked, 1));
  EXPECT_EQ(seen[1], std::make_pair(ui::Notify::RightClicked, 0));
  EXPECT_EQ(seen[2], std::make_pair(ui::Notify::DoubleClicked, 1));
}

TEST_F(DialogModelTest, ALaterHandlerReplacesTheEarlierOne) {
  Sample dlg;
  ASSERT_TRUE(dlg.Create());
  int first = 0, second = 0;
  dlg.OnCommand(kIdcRun, [&] { ++first; });
  dlg.OnCommand(kIdcRun, [&] { ++second; });
  dlg.Click(kIdcRun);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
}

TEST_F(DialogModelTest, DestroyingTheWindowLetsGoOfBoundObjects) {
  Sample dlg;
  ASSERT_TRUE(dlg.Create());
  ASSERT_TRUE(dlg.run.IsAttached());
  dlg.DestroyWindow();
  EXPECT_FALSE(dlg.run.IsAttached());
  dlg.run.SetText("无");  // no window: nothing happens
  EXPECT_EQ(dlg.run.Text(), "");
}

TEST_F(DialogModelTest, MultiLineTextKeepsCrLf) {
  Sample dlg;
  ASSERT_TRUE(dlg.Create());
  dlg.UserEdit(kIdcNotes, "一\r\n二");
  EXPECT_EQ(dlg.ItemText(kIdcNotes), "一\r\n二");
}

}  // namespace
