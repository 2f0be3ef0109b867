#include "panel/log_context.h"

#include "panel/dialog_log_show.h"
#include "panel/panel_globals.h"
#include "panel/prop_dlg_log.h"

LogContext PanelLogContext() {
  return LogContext{g_Config, g_Global.m_strLogFile, g_Global.m_strLogDate, fontBold10, fontNormal11};
}

// The panel's pages and viewer work on its globals.
CPropDlgLog::CPropDlgLog() : CPropDlgLog(PanelLogContext()) {}
CDialogLogShow::CDialogLogShow() : CDialogLogShow(PanelLogContext()) {}
