#pragma once
// The tray program: one instance per machine, running its hidden dialog.
#include <string>

class CQorPanelApp {
 public:
  // The instance name, after the program's file.
  static constexpr const char* kInstanceName = "QoripPanel";

  // False when another instance runs: this start then ends without a word.
  bool ClaimInstance();
  // Runs the dialog on the current host until it ends.
  void RunDialog();
  // Both; always false, so the program ends when the dialog ends.
  bool InitInstance();
};
