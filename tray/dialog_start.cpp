#include "tray/dialog_start.h"

#include <algorithm>

#include "platform/ui/resource_set.h"
#include "resources/tray_ids.h"

namespace {
constexpr int kShowTimer = 1;
constexpr int kCloseTimer = 2;
constexpr int kShowMs = 200;
// The picture stays up this long after the show timer.
constexpr int kStayMs = 1500;
}  // namespace

CDialogStart::CDialogStart() : ui::Dialog(res::tray::kDlgStart) {}

bool CDialogStart::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  SetWindowSize(400, 250);
  SetTimer(kShowTimer, kShowMs);
  return true;
}

bool CDialogStart::PreTranslateKey(const ui::KeyEvent& key) {
  if (key.key == ui::Key::Escape || key.key == ui::Key::Enter) return true;
  return ui::Dialog::PreTranslateKey(key);
}

void CDialogStart::OnTimer(int id) {
  if (id == kShowTimer) {
    // A timer rather than a pause, so the program's window thread never stands still.
    KillTimer(kShowTimer);
    SetTimer(kCloseTimer, kStayMs);
  } else if (id == kCloseTimer) {
    KillTimer(kCloseTimer);
    OnOK();
  } else {
    ui::Dialog::OnTimer(id);
  }
}

bool CDialogStart::OnEraseBackground(ui::Painter& painter) {
  return ui::DrawBackgroundPicture(painter, ui::LoadBitmap(res::tray::kBmpStart), ClientRect());
}

void CDialogStart::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  if (control && control->kind == ui::ControlKind::Static) colors.transparent = true;
}
