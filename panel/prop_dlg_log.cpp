#include "panel/prop_dlg_log.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "common/config.h"
#include "common/date_text.h"
#include "platform/gbk.h"
#include "common/op_log.h"
#include "common/system_info.h"
#include "common/text_file.h"
#include "platform/ui/ui_hooks.h"
#include "panel/dialog_log_show.h"
#include "platform/fs.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/host.h"
#include "platform/ui/list_model.h"
#include "platform/ui/resource_set.h"
#include "resources/panel_ids.h"
#include "resources/panel_log_ids.h"

namespace fs = platform::fs;
using namespace res::panel;

namespace {

constexpr int kIndexTimer = 1;
constexpr int kColNumber = 0, kColDate = 1, kColCount = 2, kColPath = 3;
// The remembered texts travel through fixed buffers of 260 bytes.
constexpr size_t kPathLimit = 259;
constexpr const char* kAppName = "QorIP";

std::string Format(const char* format, int a) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, a);
  return buf;
}

std::string Format(const char* format, int a, int b) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

// Age in whole days of a date text into age; false when the text is no valid date.
// A day after today has a negative age.
bool AgeInDays(const std::string& date, long& age) {
  try {
    age = DateTextToDays(date);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

CPropDlgLog::CPropDlgLog(const LogContext& context) : ui::Dialog(kDlgLogPage), m_context(context) {
  OnCommand(kIdcLogSave, [this] { OnSave(); });
  OnCommand(kIdcLogShowDetail, [this] { OnShowDetail(); });
  OnCommand(kIdcLogRefresh, [this] { OnRefresh(); });
  OnCommand(kCmdLogRefresh, [this] { OnRefresh(); });
  OnCommand(kIdcLogOpenFolder, [this] { OnOpenLogFolder(); });
  OnCommand(kCmdLogOpenFolder, [this] { OnOpenLogFolder(); });
  On(kIdcLogList, ui::Notify::RightClicked, [this](ui::Event& ev) { OnRClickList(ev); });
  On(kIdcLogList, ui::Notify::DoubleClicked, [this](ui::Event& ev) { OnDblClkList(ev); });
  OnCommand(kCmdLogViewDetail, [this] { OnViewDetail(); });
  OnCommand(kCmdLogDeleteDay, [this] { OnDeleteDayLog(); });
  OnCommand(kCmdLogClear, [this] { OnClearLogs(); });
  // The check box takes effect only through "保存".
  for (int id : {int(kIdOk), kIdcLogOn, kCmdLogNoop1, kCmdLogNoop2}) OnCommand(id, [] {});
}

std::string CPropDlgLog::LogFolder() { return GetModuleDir() + "log/"; }

void CPropDlgLog::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(kIdcLogList, m_listLogs);
  dx.Text(kIdcLogDelDays, m_strDelDays);
  dx.Check(kIdcLogOn, m_bLogOn);
  dx.Text(kIdcLogShowDays, m_strShowDays);
  dx.Control(kIdcLogSave, m_btnSave);
  dx.Control(kIdcLogShowDetail, m_btnShowDetail);
  dx.Control(kIdcLogRefresh, m_btnRefresh);
  dx.Control(kIdcLogOpenFolder, m_btnOpenFolder);
}

bool CPropDlgLog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  m_listLogs.InsertColumn(kColNumber, "序号", ui::Align::Left, 56);
  m_listLogs.InsertColumn(kColDate, "日期", ui::Align::Left, 400);
  m_listLogs.InsertColumn(kColCount, "条数", ui::Align::Left, 90);
  m_listLogs.InsertColumn(kColPath, "路径", ui::Align::Left, 0);
  m_listLogs.SetExtendedStyle(ui::list_style::kGridLines | ui::list_style::kCheckBoxes |
                              ui::list_style::kFullRowSelect);
  m_bLogOn = m_context.config.GetLogOn() == "1";
  m_strDelDays = m_context.config.GetLogDelDays();
  m_strShowDays = "10";
  SetItemFont(kIdcLogOn, m_context.pageFont);
  SetTimer(kIndexTimer, 300);
  UpdateData(false);
  return true;
}

void CPropDlgLog::OnTimer(int id) {
  if (id == kIndexTimer) {
    KillTimer(kIndexTimer);
    IndexLogFiles();
    PumpMessages();
  }
  ui::Dialog::OnTimer(id);
}

void CPropDlgLog::RefreshHint() { InvalidateRect(ItemRect(kIdcLogHint), true); }

void CPropDlgLog::IndexLogFiles() {
  UpdateData(true);
  int days = std::atoi(m_strShowDays.c_str());
  if (days == 0) days = 9999;

  SetItemText(kIdcLogHint, "读取中...");
  RefreshHint();
  EnableItem(kIdcLogRefresh, false);
  PumpMessages();
  m_listLogs.DeleteAllItems();

  const std::string folder = LogFolder();
  if (!fs::IsDirectory(folder)) {
    EnableItem(kIdcLogRefresh, true);
    ShowMessageBox("日志目录不存在！", kAppName, kMbIconInformation);
    return;
  }

  int total = 0;
  std::vector<fs::Entry> entries;
  // A folder that cannot be read lists nothing, like an empty one.
  (void)fs::List(folder, "*.*", entries);
  for (const fs::Entry& entry : entries) {
    if (entry.isDir && !entry.name.empty() && entry.name[0] == '.') continue;
    const std::string name = gbk::ToLower(entry.name);
    if (!gbk::StartsWith(name, "qor") || !gbk::Contains(name, ".log") || !gbk::Contains(name, "-") ||
        name.size() <= 9)
      continue;
    ++total;
    std::string date = name;
    gbk::ReplaceAll(date, "qor", "");
    gbk::ReplaceAll(date, ".log", "");
    long age = 0;
    if (!AgeInDays(date, age) || age >= days) continue;
    const std::string path = folder + entry.name;
    const int count = CountFileLines(path);
    if (count == 0) continue;
    const std::string shown = NormalizeDateText(date);
    if (shown.empty()) continue;
    m_listLogs.InsertItem(0, "");
    m_listLogs.SetItemText(0, kColCount, Format(count < 999 ? "%d" : "%d+", count));
    m_listLogs.SetItemText(0, kColNumber, Format("%d", m_listLogs.GetItemCount()));
    m_listLogs.SetItemText(0, kColDate, shown);
    m_listLogs.SetItemText(0, kColPath, path);
  }

  SetItemText(kIdcLogHint, Format("完毕，列表 %d 项 / 总 %d 项。", m_listLogs.GetItemCount(), total));
  RefreshHint();
  PumpMessages();
  EnableItem(kIdcLogRefresh, true);
}

void CPropDlgLog::OnSave() {
  const std::string shownDays = m_strShowDays;
  UpdateData(true);
  m_context.config.SetLogOn(m_bLogOn ? "1" : "0");
  if (m_strDelDays.empty()) {
    m_strDelDays = "0";
    SetItemText(kIdcLogDelDays, m_strDelDays);
  }
  int n = std::atoi(m_strDelDays.c_str());
  if (n != 0 && n < 5) {
    n = 5;
    m_strDelDays = "5";
    SetItemText(kIdcLogDelDays, m_strDelDays);
  }
  m_context.config.SetLogDelDays(Format("%d", n));
  if (m_context.config.Save() != 1) {
    // Telling the user it was saved when it was not would lose the change silently.
    ShowMessageBox("保存失败，配置文件无法写入！", "错误", kMbIconError);
    return;
  }
  ShowMessageBox("保存成功，重启IIS才能立即生效。", "Qor", kMbIconInformation);
  if (m_strShowDays != shownDays) SetTimer(kIndexTimer, 100);
}

void CPropDlgLog::RunViewer() {
  CDialogLogShow viewer(m_context);
  viewer.DoModal();
}

void CPropDlgLog::OnShowDetail() { RunViewer(); }

void CPropDlgLog::OnViewDetail() {
  const int row = m_listLogs.GetFirstSelected();
  if (row < 0) return;
  m_context.logFile = gbk::CutBytes(m_listLogs.GetItemText(row, kColPath), kPathLimit);
  m_context.logDate = gbk::CutBytes(m_listLogs.GetItemText(row, kColDate), kPathLimit);
  OnShowDetail();
}

void CPropDlgLog::OnRClickList(ui::Event& ev) {
  const ui::Menu* menu = ui::LoadMenu(kMenuLogList);
  const ui::MenuItem* popup = menu ? menu->SubMenu(0) : nullptr;
  if (popup) ui::TrackPopupMenu(*popup, ui::CursorPos(), this);
  ev.result = 0;
}

void CPropDlgLog::OnDblClkList(ui::Event& ev) {
  OnViewDetail();
  ev.result = 0;
}

void CPropDlgLog::OnDeleteDayLog() {
  const int row = m_listLogs.GetFirstSelected();
  if (row < 0) return;
  const std::string path = m_listLogs.GetItemText(row, kColPath);
  if (!fs::IsFile(path)) {
    ShowMessageBox("日志文件[" + path + "]不存在，删除失败！", kAppName, kMbIconError);
    return;
  }
  if (ShowMessageBox("确定删除日志文件[" + path + "]吗？删除后不能恢复。", "日志删除确认",
                     kMbYesNo | kMbIconQuestion) != kIdYes)
    return;
  const int err = fs::DeleteFile(path);
  if (err != fs::kOk) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, "文件[%s]删除失败！错误代码：%d", path.c_str(), err);
    ShowMessageBox(buf, kAppName, kMbIconError);
    return;
  }
  WriteOpLog("[删除]删除日志文件:" + path, m_context.config);
  m_listLogs.DeleteItem(row);
}

void CPropDlgLog::OnClearLogs() {
  if (m_listLogs.GetItemCount() == 0) return;
  if (ShowMessageBox("确定要清理所有日志文件吗？", "日志文件清理警告", kMbYesNo | kMbIconQuestion) != kIdYes) return;
  int ok = 0, failed = 0;
  for (int row = m_listLogs.GetItemCount() - 1; row >= 0; --row) {
    const std::string path = m_listLogs.GetItemText(row, kColPath);
    const int err = fs::DeleteFile(path);
    if (err == fs::kOk) {
      WriteOpLog("[删除]删除日志文件:" + path, m_context.config);
      m_listLogs.DeleteItem(row);
      ++ok;
    } else {
      ++failed;
      m_listLogs.SetItemText(row, kColPath, Format("删除失败：[%d]", err));
    }
  }
  ShowMessageBox(Format("操作完成，成功删除日志文件 %d 个，失败 %d 个。", ok, failed), kAppName, kMbIconInformation);
}

void CPropDlgLog::OnOpenLogFolder() { ui::ShellOpen(LogFolder(), "", "open", true); }

bool CPropDlgLog::OnEraseBackground(ui::Painter& painter) {
  painter.FillRect(ClientRect(), ui::Rgb(255, 255, 255));
  return true;
}

void CPropDlgLog::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  if (!control) return;
  if (control->id == kIdcLogOn) {
    colors.SetText(IsItemChecked(kIdcLogOn) ? ui::Rgb(11, 109, 18) : ui::Rgb(255, 0, 0));
  }
  if (control->AsksStaticColors()) colors.transparent = true;
}
