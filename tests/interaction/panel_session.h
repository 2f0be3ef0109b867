#pragma once
// One panel session for an interaction test: a temporary installation, the real Qt
// host (offscreen unless the test brings a display), the panel's resources, the hands
// of a user, and what landed on disk read back as the panel's own code reads it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/config.h"
#include "common/hardware.h"
#include "common/coding.h"
#include "common/rule_record.h"
#include "panel/panel_globals.h"
#include "panel/qor_ip_dlg.h"
#include "platform/fs.h"
#include "platform/ui/qt/qt_host.h"
#include "platform/ui/ui_hooks.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_resources.h"
#include "tests/interaction/user/qt_user.h"
#include "tests/support/temp_install.h"

namespace qortest {

// Before the application object reads them: timers and sleeps a hundred times faster,
// the offscreen platform unless the test runs on a display of its own, and message
// boxes that show on either (as on a desktop, where they always do), so that a
// journey answers the same boxes offscreen and on a real screen.
inline void PrepareInteractionEnvironment() {
  if (!std::getenv("QOR_INTERACTION_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QOR_TIME_SCALE", "0.01", 1);
  setenv("QOR_UI_INTERACTIVE", "1", 1);
}

// The panel's main window without the notice fetch from the web.
class QuietPanel : public CQorIPDlg {
 public:
  QuietPanel() { SetNoticeFetcher(nullptr); }

 protected:
  void RestartIis() override { ++iisRestarts; }

 public:
  int iisRestarts = 0;
};

class PanelSession {
 public:
  PanelSession() : m_host((PrepareInteractionEnvironment(), m_argc), m_argv), m_user(m_host) {
    m_install.WriteMachineIni();
    // The panel's store remembers where it was loaded from: a second session in the
    // same program reads its own installation.
    g_Config.SetModuleDir("");
    g_Config.SetPath("");
    // Nor does it open the day an earlier session's viewer showed.
    g_Global.m_strLogFile.clear();
    g_Global.m_strLogDate.clear();
    // Two countries and a province table: enough for the region page.
    m_install.WriteProgramFile("iplib.db", "16777216|255|154|1002|0*");
    res::InstallPanelResources();
  }
  ~PanelSession() { ui::InstallResources(nullptr); }
  PanelSession(const PanelSession&) = delete;
  PanelSession& operator=(const PanelSession&) = delete;

  TempInstall& Install() { return m_install; }
  // The main window with its three pages made and its buttons taking clicks; the
  // notices of the start (IP library, service) are waved away.
  bool PanelReady(CQorIPDlg& panel) {
    if (!m_dismissing) {
      m_dismissing = true;
      m_user.Dismiss("通知", "取消");
    }
    for (ui::Dialog* page : {panel.SystemPage(), panel.RulesPage(), panel.LogsPage()})
      if (!page || !page->IsCreated()) return false;
    // The system page's start check (its timer 1) has run, with the notices it showed
    // one after another: between two of them no box shows, but the check is still
    // under way until the program is back in the panel's own run.
    constexpr int kStartCheckTimer = 1;
    // The window has the keyboard back after the notices.
    return !m_user.TimerPending(*panel.SystemPage(), kStartCheckTimer) && m_user.InDialogRun() &&
           m_user.Ready(panel, res::panel::kIdcRulesTab) &&
           m_user.Ready(panel, res::panel::kIdcLogsTab) && !m_user.BoxShows() && m_user.IsActive(panel);
  }
  ui::QtHost& Host() { return m_host; }
  QtUser& User() { return m_user; }

  // Runs the panel with a journey whose last step clicked the main window's close box,
  // until the panel ends (after "no" to the question about restarting IIS where it
  // asks). Returns the first step whose condition never came, empty when none.
  std::string RunToTheEnd(Journey& j, CQorIPDlg& panel) {
    j.Then("panel closes", [this, &panel] { return m_user.BoxShows() || !panel.IsCreated(); },
           [this] {
             if (m_user.BoxShows()) m_user.AnswerBox("否(&N)");
           });
    j.Start();
    panel.DoModal();
    return j.Failure();
  }

  // Pixels whose three channels all lie below level: black text under 70, a dark
  // arrow on a light face under 160.
  static int PixelsDarkerThan(const ui::Image& image, int level) {
    int n = 0;
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x) {
        const ui::Color c = ui::Color::FromArgb(image.Pixel(x, y));
        if (c.r < level && c.g < level && c.b < level) ++n;
      }
    return n;
  }

  // iis/config.db decoded with the panel's machine key, as a fresh panel reads it.
  struct Stored {
    bool loaded = false;
    std::string system, logOn;
    StringList rules;
  };
  Stored ReadStore() const {
    Stored out;
    CConfig config(Build::Panel);
    config.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
    out.loaded = config.Load() == 1;
    out.system = config.GetSystem();
    out.logOn = config.GetLogOn();
    out.rules = rule::SplitRuleList(config.GetRuleData());
    return out;
  }
  // Rules with these names (and each with these tags, nothing else set) in the store,
  // as the panel saves them.
  [[nodiscard]] bool WriteRules(const std::vector<std::string>& names,
                                const std::vector<std::pair<const char*, std::string>>& tags = {}) const {
    CConfig config(Build::Panel);
    config.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
    config.Load();
    StringList rules;
    for (const std::string& name : names) {
      std::string text;
      if (!rule::WriteTag(text, rule::kName, name)) return false;
      for (const auto& [tag, value] : tags)
        if (!rule::WriteTag(text, tag, value)) return false;
      rules.push_back(text);
    }
    config.SetRuleData(CConfig::JoinRuleList(rules));
    return config.Save() == 1;
  }
  bool Exists(const std::string& relative) const { return platform::fs::Exists(m_install.ProgramDir() + relative); }

 private:
  TempInstall m_install;
  bool m_dismissing = false;
  int m_argc = 1;
  char m_name[16] = "t_interaction";
  char* m_argv[2] = {m_name, nullptr};
  ui::QtHost m_host;
  QtUser m_user;
};

}  // namespace qortest
