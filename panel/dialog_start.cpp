#include "panel/dialog_start.h"

#include <algorithm>
#include <cstdio>

#include "common/coding.h"
#include "common/config.h"
#include "common/hardware.h"
#include "common/program_paths.h"
#include "common/system_info.h"
#include "panel/panel_globals.h"
#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/ui/resource_set.h"
#include "resources/panel_ids.h"

namespace {
constexpr int kWorkTimer = 1;
constexpr int kStepPauseMs = 50;

std::string PercentText(const char* format, int percent) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, percent);
  return buf;
}
}  // namespace

CDialogStart::CDialogStart(CConfig& config) : ui::Dialog(res::panel::kDlgStart), m_config(config) {
  OnCommand(res::panel::kIdcStartText, [] {});
}

bool CDialogStart::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  SetWindowSize(400, 250);
  SetTimer(kWorkTimer, 100);
  return true;
}

bool CDialogStart::PreTranslateKey(const ui::KeyEvent& key) {
  if (key.key == ui::Key::Escape || key.key == ui::Key::Enter) return true;
  return ui::Dialog::PreTranslateKey(key);
}

void CDialogStart::OnTimer(int id) {
  if (id != kWorkTimer) return;
  KillTimer(kWorkTimer);
  m_config.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
  bool loaded = false;
  for (int percent = 0; percent <= 100; percent += 10) {
    PumpMessages();
    if (!loaded && percent > 9) {
      loaded = true;
      SetItemText(res::panel::kIdcStartText, PercentText("加载配置...(%d%%)", percent));
      RefreshText();
      PumpMessages();
      LoadConfiguration();
    } else {
      SetItemText(res::panel::kIdcStartText, PercentText("启动中...(%d%%)", percent));
      RefreshText();
      PumpMessages();
    }
    RefreshText();
    PumpMessages();
    platform::clock::Sleep(kStepPauseMs);
    PumpMessages();
  }
  OnOK();
}

void CDialogStart::LoadConfiguration() {
  LoadPanelStore(m_config, true);
  g_LogDir = GetModuleDir() + "log/";
}

void CDialogStart::RefreshText() { InvalidateItem(res::panel::kIdcStartText, true); }

bool CDialogStart::OnEraseBackground(ui::Painter& painter) {
  return ui::DrawBackgroundPicture(painter, ui::LoadBitmap(res::panel::kBmpStart), ClientRect());
}

void CDialogStart::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  if (!control) return;
  if (control->id == res::panel::kIdcStartText) colors.SetText(ui::Rgb(255, 255, 255));
  if (control->kind == ui::ControlKind::Static) colors.transparent = true;
}
