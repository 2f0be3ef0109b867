// The Qt host offscreen: the splash and the button sample rendered to PNG files
// (kept in <build>/artifacts), text crossing to Qt and back, keys, clicks, posting
// from worker threads, and what the host does where nobody can answer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "common/config.h"
#include "platform/ui/ui_hooks.h"
#include "panel/dialog_start.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/textconv.h"
#include "platform/ui/data_exchange.h"
#include "panel/demo/button_sample.h"
#include "platform/ui/qt/qt_host.h"
#include "platform/ui/qt/qt_keys.h"
#include "platform/ui/tray_icon.h"
#include "resources/demo_resources.h"
#include "tests/interaction/user/qt_driver.h"
#include "tests/support/qt_test_env.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"
#include "tests/ui/sample_templates.h"

namespace {

using namespace qortest;

ui::QtHost* g_host = nullptr;

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { g_host = new ui::QtHost(qortest::g_qtArgc, qortest::g_qtArgv); }
  void TearDown() override {
    delete g_host;
    g_host = nullptr;
  }
};
const auto* g_env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Pumps until done() or about ten seconds have passed.
bool PumpUntil(const std::function<bool()>& done) {
  return qortest::WaitFor(
      [&] {
        if (done()) return true;
        PumpMessages();
        return done();
      },
      10000);
}

bool Near(uint32_t argb, ui::Color c, int tolerance = 8) {
  ui::Color p = ui::Color::FromArgb(argb);
  return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
}

class QtSmokeTest : public ::testing::Test {
 protected:
  QtSmokeTest() {
    m_install.WriteMachineIni();
    res::InstallDemoResources();
  }
  ~QtSmokeTest() override { ui::InstallResources(nullptr); }
  ui::QtHost& Host() { return *g_host; }
  qortest::QtDriver Driver() { return qortest::QtDriver(*g_host); }
  TempInstall m_install;
};

// Renders itself when the store is loaded, so the picture shows the 10 percent line.
class RenderingStart : public CDialogStart {
 public:
  RenderingStart(CConfig& config, std::string path) : CDialogStart(config), m_path(std::move(path)) {}
  bool rendered = false;
  ui::Image picture;

 protected:
  void LoadConfiguration() override {
    CDialogStart::LoadConfiguration();
    rendered = g_host->RenderToPng(*this, m_path);
    picture = g_host->RenderToImage(*this);
  }

 private:
  std::string m_path;
};

TEST_F(QtSmokeTest, SplashRunsToItsEndAndRendersToPng) {
  ASSERT_NE(g_host, nullptr);
  EXPECT_TRUE(Host().IsOffscreen());
  const std::string png = ArtifactsDir() + "splash.png";
  (void)platform::fs::DeleteFile(png);  // an earlier run's picture, if any
  CConfig config;
  RenderingStart splash(config, png);
  EXPECT_EQ(splash.DoModal(), kIdOk);
  EXPECT_TRUE(splash.rendered);
  EXPECT_GT(platform::fs::FileSize(png), 1000);
  ASSERT_EQ(splash.picture.Width(), 400);
  ASSERT_EQ(splash.picture.Height(), 250);
  // The picture's deep blue at the top-left, the white progress line in the bottom band.
  const ui::Image* bitmap = ui::LoadBitmap(res::panel::kBmpStart);
  EXPECT_TRUE(Near(splash.picture.Pixel(200, 5), ui::Color::FromArgb(bitmap->Pixel(200, 5))));
  int white = 0;
  for (int y = 207; y < 221; ++y)
    for (int x = 15; x < 120; ++x) white += Near(splash.picture.Pixel(x, y), ui::Rgb(255, 255, 255), 40);
  EXPECT_GT(white, 30);
}

TEST_F(QtSmokeTest, ButtonSampleRendersToPng) {
  const std::string png = ArtifactsDir() + "button_sample.png";
  CButtonSample sample;
  ASSERT_TRUE(sample.Create());
  sample.ShowWindow(ui::ShowMode::Show);
  ASSERT_TRUE(Driver().SimulateHover(sample, res::demo::kIdcRestartService));
  EXPECT_TRUE(sample.m_restartService.IsHovered());
  sample.SetFocusItem(res::demo::kIdcRestartIis);
  ASSERT_TRUE(Host().RenderToPng(sample, png));
  EXPECT_GT(platform::fs::FileSize(png), 1000);
  ui::Image img = Host().RenderToImage(sample);
  ASSERT_EQ(img.Width(), sample.ClientRect().Width());
  // The hovered button's orange bottom edge; the header band's blue behind the pictures.
  const ui::Rect b = sample.ItemRect(res::demo::kIdcRestartService);
  const int edgeY = b.top + b.Height() - 2;
  EXPECT_TRUE(Near(img.Pixel(b.left + b.Width() / 2, edgeY), ui::Rgb(229, 151, 0))) << std::hex << img.Pixel(b.left + b.Width() / 2, edgeY);
  EXPECT_TRUE(Near(img.Pixel(5, 60), ui::Rgb(21, 101, 192)));
  sample.DestroyWindow();
}

TEST_F(QtSmokeTest, TextCrossesToQtAndComesBackAsGbk) {
  ui::InstallResources(&SampleResources());
  ui::Dialog dlg(kSampleDialog);
  ASSERT_TRUE(dlg.Create());
  dlg.SetItemText(kIdcName, "网站访问");
  EXPECT_EQ(Driver().ShownText(dlg, kIdcName), "网站访问");
  ASSERT_TRUE(Driver().SimulateTyping(dlg, kIdcName, "控制"));
  EXPECT_EQ(dlg.ItemText(kIdcName), "网站访问控制");
  // Multi-line: CR LF in the model, line feeds in the widget, and back.
  dlg.SetItemText(kIdcNotes, "一\r\n二");
  EXPECT_EQ(Driver().ShownText(dlg, kIdcNotes), "一\n二");
  ASSERT_TRUE(Driver().SimulateTyping(dlg, kIdcNotes, "\n三"));
  EXPECT_EQ(dlg.ItemText(kIdcNotes), "一\r\n二\r\n三");
  dlg.DestroyWindow();
}

struct KeyDialog : ui::Dialog {
  explicit KeyDialog(int id) : ui::Dialog(id) {
    for (int c : {int(kIdOk), int(kIdCancel), int(kIdcRun)}) OnCommand(c, [this, c] { commands.push_back(c); });
  }
  std::vector<int> commands;
};

TEST_F(QtSmokeTest, EnterPressesOnlyTheTemplatesDefaultButton) {
  ui::InstallResources(&SampleResources());
  struct Case {
    int templateId;
    int command;
  } cases[] = {{kSampleDialog, kIdOk}, {kSampleWithDefault, kIdcRun}};
  for (const auto& c : cases) {
    KeyDialog dlg(c.templateId);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(ui::ShowMode::Show);
    ASSERT_TRUE(Driver().SimulateKey(dlg, kIdcName, ui::Key::Enter));
    EXPECT_EQ(dlg.commands, (std::vector<int>{c.command})) << c.templateId;
    dlg.commands.clear();
    ASSERT_TRUE(Driver().SimulateKey(dlg, kIdcName, ui::Key::Escape));
    EXPECT_EQ(dlg.commands, (std::vector<int>{kIdCancel}));
    // A key without a Qt key is refused, not sent as some other key.
    dlg.commands.clear();
    EXPECT_FALSE(Driver().SimulateKey(dlg, kIdcName, ui::Key::Other));
    EXPECT_TRUE(dlg.commands.empty());
    dlg.DestroyWindow();
  }
}

TEST(QtKeyTable, EveryModelKeyGoesToQtAndBack) {
  for (int k = static_cast<int>(ui::Key::Enter); k <= static_cast<int>(ui::Key::C); ++k) {
    const auto key = static_cast<ui::Key>(k);
    ASSERT_NE(ui::qt::QtKeyOf(key), 0) << k;
    EXPECT_EQ(ui::qt::KeyOf(ui::qt::QtKeyOf(key)), key) << k;
  }
  EXPECT_EQ(ui::qt::QtKeyOf(ui::Key::Other), 0);
}

TEST_F(QtSmokeTest, ClicksReachTheModelAndCheckBoxesFollowIt) {
  ui::InstallResources(&SampleResources());
  KeyDialog dlg(kSampleDialog);
  ASSERT_TRUE(dlg.Create());
  dlg.ShowWindow(ui::ShowMode::Show);
  ASSERT_TRUE(Driver().SimulateClick(dlg, kIdcRun));
  EXPECT_EQ(dlg.commands, (std::vector<int>{kIdcRun}));
  ASSERT_TRUE(Driver().SimulateClick(dlg, kIdcAuto));
  EXPECT_EQ(dlg.IsItemChecked(kIdcAuto), 1);
  // A check box without its own toggling stays as the model has it.
  ASSERT_TRUE(Driver().SimulateClick(dlg, kIdcManual));
  EXPECT_EQ(dlg.IsItemChecked(kIdcManual), 0);
  ASSERT_TRUE(Driver().SimulateClick(dlg, kIdcRadioB));
  ASSERT_TRUE(Driver().SimulateClick(dlg, kIdcRadioC));
  EXPECT_EQ(dlg.RadioIndex(kIdcRadioA), 2);
  dlg.DestroyWindow();
}

TEST_F(QtSmokeTest, TimersEndAModalRun) {
  ui::InstallResources(&SampleResources());
  struct Timed : ui::Dialog {
    Timed() : ui::Dialog(kSampleHolder) {}
    int ticks = 0;
    bool OnInitDialog() override {
      ui::Dialog::OnInitDialog();
      SetTimer(1, 1000);  // 10 ms at the test's time scale
      return true;
    }
    void OnTimer(int) override {
      if (++ticks == 3) EndDialog(9);
    }
  } dlg;
  EXPECT_EQ(dlg.DoModal(), 9);
  EXPECT_EQ(dlg.ticks, 3);
}

TEST_F(QtSmokeTest, WorkerThreadsPostToTheUserInterfaceThread) {
  const auto uiThread = std::this_thread::get_id();
  std::atomic<bool> ran{false};
  std::thread::id ranOn;
  std::thread worker([&] {
    ui::PostToUiThread([&] {
      ranOn = std::this_thread::get_id();
      ran = true;
    });
  });
  worker.join();
  ASSERT_TRUE(PumpUntil([&] { return ran.load(); }));
  EXPECT_EQ(ranOn, uiThread);
}

TEST_F(QtSmokeTest, NobodyAnswersOffscreenAndTheJournalSaysSo) {
  const std::string journal = m_install.Base() + "ui.journal";
  setenv("QOR_UI_JOURNAL", journal.c_str(), 1);
  EXPECT_EQ(ShowMessageBox("确定删除吗？", "确认", kMbYesNo | kMbIconQuestion), kIdNo);
  EXPECT_EQ(ShowMessageBox("完成", "提示"), kIdOk);
  ui::TrayIcon icon;
  ui::TrayIconData d;
  d.id = 131;
  d.iconId = 131;
  d.tip = "实时状态：已就绪";
  d.parts = ui::tray_part::kMessage | ui::tray_part::kIcon | ui::tray_part::kTip;
  EXPECT_TRUE(icon.Add(d));
  std::thread worker([&] {
    ui::TrayIconData m = d;
    m.balloon = "气球";
    m.parts |= ui::tray_part::kBalloon;
    EXPECT_TRUE(icon.Modify(m));
  });
  worker.join();
  EXPECT_TRUE(icon.Delete());
  unsetenv("QOR_UI_JOURNAL");
  std::string text;
  ASSERT_EQ(platform::fs::ReadFile(journal, text), 0);
  EXPECT_EQ(text,
            "box [确认] 确定删除吗？ -> 7\n"
            "box [提示] 完成 -> 1\n"
            "tray add 131 icon=131 tip=实时状态：已就绪\n"
            "tray modify 131 icon=131 tip=实时状态：已就绪 balloon=气球\n"
            "tray delete 131\n");
}

}  // namespace
