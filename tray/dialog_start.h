#pragma once
// The tray program's start splash: shows its picture for a moment while the panel is
// not running, then closes itself. Neither Enter nor Esc closes it.
#include "platform/ui/dialog.h"

class CDialogStart : public ui::Dialog {
 public:
  CDialogStart();

  bool OnInitDialog() override;
  bool PreTranslateKey(const ui::KeyEvent& key) override;
  void OnTimer(int id) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;
};
