#pragma once
// The "logs" page of the main window: the two log settings, the daily log files of
// the last N days with their entry counts, deletion and the detailed viewer.
#include <string>

#include "panel/log_context.h"
#include "panel/sort_list_ctrl.h"
#include "panel/xp_button.h"
#include "platform/ui/dialog.h"

class CPropDlgLog : public ui::Dialog {
 public:
  CPropDlgLog();
  explicit CPropDlgLog(const LogContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  void OnTimer(int id) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;

  void IndexLogFiles();
  void OnSave();
  void OnShowDetail();
  void OnViewDetail();
  void OnRefresh() { IndexLogFiles(); }
  void OnOpenLogFolder();
  void OnRClickList(ui::Event& ev);
  void OnDblClkList(ui::Event& ev);
  void OnDeleteDayLog();
  void OnClearLogs();
  void RefreshHint();

  CSortListCtrl m_listLogs;
  std::string m_strDelDays;
  bool m_bLogOn = false;
  std::string m_strShowDays;
  CXPButton m_btnSave, m_btnShowDetail, m_btnRefresh, m_btnOpenFolder;

 protected:
  // Runs the viewer modally; tests stand in for it.
  virtual void RunViewer();
  // The folder of the daily logs, with its trailing '/'.
  static std::string LogFolder();

 private:
  LogContext m_context;
};
