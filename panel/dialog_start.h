#pragma once
// The start splash: gives the configuration store its key, loads it, sets the log
// folder and counts up a percentage while the main window starts behind it.
#include "platform/ui/dialog.h"

class CConfig;

class CDialogStart : public ui::Dialog {
 public:
  explicit CDialogStart(CConfig& config);

  bool OnInitDialog() override;
  bool PreTranslateKey(const ui::KeyEvent& key) override;
  void OnTimer(int id) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;

 protected:
  // The work of the 10 percent step: load the store, set the log folder.
  virtual void LoadConfiguration();

 private:
  void RefreshText();

  CConfig& m_config;
};
