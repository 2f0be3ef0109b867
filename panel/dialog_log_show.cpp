#include "panel/dialog_log_show.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "common/daily_log.h"
#include "common/date_text.h"
#include "platform/gbk.h"
#include "common/log_files.h"
#include "common/op_log.h"
#include "common/qor_file.h"
#include "common/system_info.h"
#include "common/text_file.h"
#include "platform/ui/ui_hooks.h"
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

constexpr int kLoadTimer = 1;
constexpr const char* kCaption = "详细日志管理器 - Qor·网站访问控制系统";
constexpr size_t kTextLimit = 259;

constexpr int kDayColId = 0, kDayColTime = 1, kDayColPath = 2;
constexpr int kColNumber = 0, kColTime = 1, kColType = 2, kColOperation = 3, kColAddress = 4, kColDetail = 5;

// The type tabs in the order they stand: name, caption with the tab's line count, and
// the daily-log group whose lines the tab shows (the first tab shows every line). The
// tabs show 代理 before 时间, the markers are tested the other way round.
constexpr int kEveryLine = -1;
struct TypeTab {
  const char* name;
  const char* caption;
  int group;
};
constexpr TypeTab kTypeTabs[] = {
    {"所有", "总数(%d)", kEveryLine}, {"区域", "区域(%d)", 0},       {"IP", "IP(%d)", 1},
    {"URL", "URL(%d)", 2},           {"蜘蛛", "蜘蛛(%d)", 3},       {"代理", "代理(%d)", 5},
    {"时间", "时间(%d)", 4},         {"来路", "来路(%d)", 6},       {"浏览器", "浏览器(%d)", 7},
    {"OS", "OS(%d)", 8},             {"其他", "其 他(%d)", kDailyLogGroupOther}};
static_assert(std::size(kTypeTabs) == CDialogLogShow::kTabCount);
constexpr int kOtherTab = CDialogLogShow::kTabCount - 1;
static_assert(kTypeTabs[kOtherTab].group == kDailyLogGroupOther);

// The tab of a line's group.
int TabOfGroup(int group) {
  for (int tab = 1; tab < CDialogLogShow::kTabCount; ++tab)
    if (kTypeTabs[tab].group == group) return tab;
  return kOtherTab;
}

std::string Format(const char* format, int a) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, a);
  return buf;
}

}  // namespace

CDialogLogShow::CDialogLogShow(const LogContext& context) : ui::Dialog(kDlgLogShow), m_context(context) {
  On(kIdcShowDays, ui::Notify::Clicked, [this](ui::Event&) { OnShowDayLog(); });
  On(kIdcShowDays, ui::Notify::DoubleClicked, [this](ui::Event&) { OnShowDayLog(); });
  On(kIdcShowDays, ui::Notify::RightClicked, [this](ui::Event&) { ShowPopup(kMenuLogDays); });
  OnCommand(kCmdShowDayLog, [this] { OnShowDayLog(); });
  OnCommand(kCmdShowDeleteDay, [this] { OnDeleteDayLog(); });
  OnCommand(kCmdShowOpenRecord, [this] { OnOpenLogFolder(); });
  OnCommand(kCmdShowOpenFolder, [this] { OnOpenLogFolder(); });
  OnCommand(kCmdShowReload, [this] { OnReload(); });
  On(kIdcShowEntries, ui::Notify::DoubleClicked, [this](ui::Event&) { OnShowDetail(); });
  OnCommand(kCmdShowDetail, [this] { OnShowDetail(); });
  On(kIdcShowEntries, ui::Notify::RightClicked, [this](ui::Event&) {
    UpdateData(false);
    ShowPopup(kMenuLogEntries);
  });
  On(kIdcShowEntries, ui::Notify::SetFocus, [this](ui::Event&) { RedrawEntryList(); });
  On(kIdcShowEntries, ui::Notify::Clicked, [](ui::Event& ev) { ev.result = 0; });
  On(kIdcShowTabs, ui::Notify::Clicked, [](ui::Event& ev) { ev.result = 0; });
  On(kIdcShowTabs, ui::Notify::SelChanging, [](ui::Event& ev) { ev.result = 0; });
  On(kIdcShowTabs, ui::Notify::SelChanged, [this](ui::Event& ev) { OnTabChange(ev); });
  OnCommand(kIdcShowSearch, [this] { OnSearch(); });
  On(kIdcShowKeyword, ui::Notify::Changed, [this](ui::Event&) { OnSearch(); });
  OnCommand(kIdcShowFirst, [this] { OnFirstPage(); });
  OnCommand(kIdcShowPrev, [this] { OnPrevPage(); });
  OnCommand(kIdcShowNext, [this] { OnNextPage(); });
  OnCommand(kIdcShowLast, [this] { OnLastPage(); });
}

std::string CDialogLogShow::LogFolder() const { return GetModuleDir() + "log/"; }

const std::vector<CDialogLogShow::LineRef>& CDialogLogShow::Refs(int tab) const {
  return m_arrLines[tab >= 0 && tab < kTabCount ? tab : kTabCount - 1];
}

size_t CDialogLogShow::LineCount(int tab) const { return Refs(tab).size(); }

std::string CDialogLogShow::Line(int tab, size_t index) const {
  const auto& refs = Refs(tab);
  return index < refs.size() ? std::string(View(refs[index])) : std::string();
}

void CDialogLogShow::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(kIdcShowDays, m_listDays);
  dx.Control(kIdcShowEntries, m_listEntries);
  dx.Control(kIdcShowTabs, m_tabTypes);
  dx.Control(kIdcShowSearch, m_btnSearch);
  dx.Text(kIdcShowKeyword, m_strKeyword);
}

bool CDialogLogShow::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  m_listDays.InsertColumn(kDayColId, "ID", ui::Align::Right, 28);
  m_listDays.InsertColumn(kDayColTime, "时间", ui::Align::Left, 120);
  m_listDays.InsertColumn(kDayColPath, "路径", ui::Align::Left, 0);
  m_listDays.SetExtendedStyle(0x1A1);
  // Wide enough for a six-digit number beside the row's check box.
  m_listEntries.InsertColumn(kColNumber, "序号", ui::Align::Right, 65);
  m_listEntries.InsertColumn(kColTime, "时间", ui::Align::Left, 130);
  m_listEntries.InsertColumn(kColType, "类型", ui::Align::Left, 50);
  m_listEntries.InsertColumn(kColOperation, "操作", ui::Align::Left, 60);
  m_listEntries.InsertColumn(kColAddress, "IP", ui::Align::Left, 190);
  m_listEntries.InsertColumn(kColDetail, "详细", ui::Align::Left, 120);
  m_listEntries.SetExtendedStyle(0x1A5);
  SetItemFont(kIdcShowDays, m_context.viewerFont);
  SetIcon(kIconProgram);
  for (int i = 0; i < kTabCount; ++i) m_tabTypes.InsertItem(i, kTypeTabs[i].name);
  m_bInitialized = true;
  SetTimer(kLoadTimer, 100);
  return true;
}

void CDialogLogShow::OnTimer(int id) {
  if (id != kLoadTimer) {
    ui::Dialog::OnTimer(id);
    return;
  }
  LoadDays();
}

void CDialogLogShow::SetBusyText(const std::string& text) {
  SetWindowText(text.empty() ? std::string(kCaption) : std::string(kCaption) + "(" + text + ")");
}

void CDialogLogShow::LoadDays() {
  SetItemText(kIdcShowStatus, "请稍后...");
  SetBusyText("正在解析日志，请稍后...");
  KillTimer(kLoadTimer);

  m_tabTypes.SetCurSel(0);
  m_nTab = 0;
  m_nScan = 0;
  m_strDay.clear();
  m_nCurPage = 1;
  m_listFileNames.clear();
  m_listDays.DeleteAllItems();

  const std::string folder = LogFolder();
  ListLogFiles(m_listFileNames, folder, "log");
  SortLogFileList(m_listFileNames);

  std::string chosenName, lastName;
  bool chosen = false;
  int number = 1;
  const std::string today = GetTodayShortText();
  for (const std::string& fileName : m_listFileNames) {
    const std::string name = gbk::ToLower(fileName);
    if (!gbk::StartsWith(name, "qor2") || !gbk::Contains(name, ".log") || !gbk::Contains(name, "-")) continue;
    lastName = fileName;
    std::string day = name;
    gbk::ReplaceAll(day, "qor", "");
    gbk::ReplaceAll(day, ".log", "");
    day = NormalizeDateText(day);
    if (!gbk::Contains(day, "-") || day.size() <= 3) continue;
    m_listDays.InsertItem(0, Format("%d", number));
    m_listDays.SetItemText(0, kDayColTime, day);
    // The name as the folder holds it: on a case-sensitive file system the lower-cased
    // name would not open the file.
    m_listDays.SetItemText(0, kDayColPath, fileName);
    ++number;
    if (m_context.logDate.empty() ? day == today : day == m_context.logDate) {
      chosen = true;
      m_strDay = day;
      chosenName = fileName;
    }
  }
  if (!chosen && !lastName.empty()) {
    chosenName = lastName;
    std::string day = gbk::ToLower(lastName);
    gbk::ReplaceAll(day, "qor", "");
    gbk::ReplaceAll(day, ".log", "");
    m_strDay = NormalizeDateText(day);
  }

  SetItemText(kIdcShowDaysCaption, Format("总日志数[%d]天", m_listDays.GetItemCount()));
  m_strFilePath = m_context.logFile.size() > 2 ? m_context.logFile : folder + chosenName;

  if (m_listDays.GetItemCount() == 0) {
    m_listEntries.DeleteAllItems();
    for (auto& lines : m_arrLines) lines.clear();
    m_arrMatches.clear();
    m_strText.clear();
    SetItemText(kIdcShowStatus, "完毕.");
    SetItemText(kIdcShowEntriesCaption, "暂无日志.");
    SetBusyText("");
    return;
  }
  CountByType();
  ShowPage(m_nCurPage);
  SetItemText(kIdcShowStatus, "处理完毕.");
  SetBusyText("");
}

void CDialogLogShow::CountByType() {
  for (auto& lines : m_arrLines) lines.clear();
  m_arrMatches.clear();
  m_strText.clear();
  SetBusyText("分析中,请稍后...");
  // The file in one piece, then its non-empty lines as places in it; a file that
  // cannot be read gives no lines.
  fs::InFile file;
  if (file.Open(m_strFilePath) == fs::kOk) {
    m_strText.reserve(static_cast<size_t>(std::max<int64_t>(0, file.Size())));
    char buf[65536];
    int64_t got = 0;
    while ((got = file.Read(buf, sizeof buf)) > 0) m_strText.append(buf, static_cast<size_t>(got));
    if (got < 0) m_strText.clear();
  }
  // Counted first, so that every array is allocated once at its size.
  size_t lines = 0;
  for (const char* p = m_strText.data(); (p = static_cast<const char*>(std::memchr(
                                             p, '\n', m_strText.size() - static_cast<size_t>(p - m_strText.data()))));
       ++p)
    ++lines;
  m_arrLines[0].reserve(lines + 1);
  size_t pos = 0;
  while (pos < m_strText.size()) {
    size_t nl = m_strText.find('\n', pos);
    size_t end = nl == std::string::npos ? m_strText.size() : nl;
    size_t len = end - pos;
    if (len > 0 && m_strText[end - 1] == '\r') --len;
    if (len > 0) m_arrLines[0].push_back({pos, len});
    pos = end + 1;
  }
  std::vector<unsigned char> tabs(m_arrLines[0].size());
  size_t counts[kTabCount] = {};
  for (size_t i = 0; i < tabs.size(); ++i) {
    tabs[i] = static_cast<unsigned char>(TabOfGroup(DailyLogLineGroup(View(m_arrLines[0][i]))));
    ++counts[tabs[i]];
  }
  for (int t = 1; t < kTabCount; ++t) m_arrLines[t].reserve(counts[t]);
  for (size_t i = 0; i < tabs.size(); ++i) m_arrLines[tabs[i]].push_back(m_arrLines[0][i]);
  for (int i = 0; i < kTabCount; ++i)
    m_tabTypes.SetItemText(i, Format(kTypeTabs[i].caption, static_cast<int>(m_arrLines[i].size())));
  SetBusyText("");
}

void CDialogLogShow::ShowPage(int page) {
  m_listEntries.DeleteAllItems();
  if (!fs::IsFile(m_strFilePath)) {
    SetItemText(kIdcShowEntriesCaption, "所选日志文件不存在！");
    ShowMessageBox("日志[" + m_strFilePath + "]不存在！", "日志不存在", kMbIconWarning);
    return;
  }
  for (int id = kIdcShowFirst; id <= kIdcShowLast; ++id) EnableItem(id, false);
  SetBusyText("检索中,请稍后..");

  // With a keyword the pages are cut from the tab's matching lines, found once when
  // the first page is shown, so that each hit is on one page only.
  if (page <= 1) FindMatches();
  const std::vector<LineRef>& lines = m_strKeyword.empty() ? Refs(m_nTab) : m_arrMatches;
  const size_t n = lines.size();
  if (page <= 1) {
    m_nScan = 0;
    m_nCurPage = 1;
    m_nPageCount = static_cast<int>(n / kPageSize + (n % kPageSize ? 1 : 0));
  } else {
    m_nScan = static_cast<size_t>(page - 1) * kPageSize;
  }

  int rows = 0;
  std::string line;
  for (; m_nScan < n && rows < kPageSize; ++m_nScan) {
    line.assign(View(lines[m_nScan]));
    const DailyLogLine parsed = ParseDailyLogLine(line);
    if (!parsed.shown) continue;
    const int row = m_listEntries.InsertItem(rows, Format("%d", (m_nCurPage - 1) * kPageSize + rows + 1));
    m_listEntries.SetItemText(row, kColTime, parsed.time);
    m_listEntries.SetItemText(row, kColType, parsed.type);
    m_listEntries.SetItemText(row, kColOperation, parsed.operation);
    m_listEntries.SetItemText(row, kColAddress, parsed.address);
    m_listEntries.SetItemText(row, kColDetail, parsed.detail);
    ++rows;
  }

  SetBusyText("");
  SetItemText(kIdcShowStatus, "处理完毕.");
  const int all = static_cast<int>(m_arrLines[0].size());
  char buf[1024];
  std::snprintf(buf, sizeof buf, "%s 的日志条数 %d,符合条件数:%d", m_strFilePath.c_str(), all, rows);
  SetItemText(kIdcShowEntriesCaption, buf);
  const int first = (m_nCurPage - 1) * kPageSize;
  std::snprintf(buf, sizeof buf, "页码:%d/%d。显示第%d-%d条,总%d条.", m_nCurPage, m_nPageCount, first + 1,
                first + rows, m_strKeyword.empty() ? all : static_cast<int>(n));
  SetItemText(kIdcShowStatus, buf);
  for (int id = kIdcShowFirst; id <= kIdcShowLast; ++id) EnableItem(id, true);
  m_nPageShown = page <= 1 ? 1 : page;
  UpdateData(false);
}

void CDialogLogShow::FindMatches() {
  m_arrMatches.clear();
  if (m_strKeyword.empty()) return;
  for (const LineRef& ref : Refs(m_nTab))
    if (gbk::Contains(gbk::ToLower(std::string(View(ref))), m_strKeyword)) m_arrMatches.push_back(ref);
}

void CDialogLogShow::GoToPage(int page) {
  m_nCurPage = page;
  if (m_nCurPage != m_nPageShown) ShowPage(m_nCurPage);
}

void CDialogLogShow::OnFirstPage() { GoToPage(1); }
void CDialogLogShow::OnPrevPage() { GoToPage(std::max(1, m_nCurPage - 1)); }
// Never beyond the last page, and never to a page 0 when the tab is empty.
void CDialogLogShow::OnNextPage() { GoToPage(m_nCurPage < m_nPageCount ? m_nCurPage + 1 : m_nCurPage); }
void CDialogLogShow::OnLastPage() { GoToPage(std::max(1, m_nPageCount)); }

void CDialogLogShow::OnSearch() {
  UpdateData(true);
  m_strKeyword = gbk::ToLower(m_strKeyword);
  ShowPage(1);
}

void CDialogLogShow::OnTabChange(ui::Event& ev) {
  m_nTab = m_tabTypes.GetCurSel();
  ShowPage(0);
  ev.result = 0;
}

void CDialogLogShow::OnShowDayLog() {
  if (m_listDays.GetItemCount() == 0) return;
  const int row = m_listDays.GetFirstSelected();
  if (row < 0) return;
  m_strDay = gbk::CutBytes(m_listDays.GetItemText(row, kDayColTime), kTextLimit);
  m_strFilePath = LogFolder() + gbk::CutBytes(m_listDays.GetItemText(row, kDayColPath), kTextLimit);
  m_context.logFile = m_strFilePath;
  m_context.logDate = m_strDay;
  m_nCurPage = 1;
  m_tabTypes.SetCurSel(0);
  m_nTab = 0;
  CountByType();
  ShowPage(1);
}

void CDialogLogShow::OnDeleteDayLog() {
  if (m_listDays.GetItemCount() == 0) return;
  if (ShowMessageBox("确定要删除[" + m_strFilePath + "]的所有日志吗？删除后将不可恢复！", "Qor",
                     kMbYesNo | kMbIconQuestion) != kIdYes) {
    RedrawEntryList();
    return;
  }
  const std::string path = m_strFilePath;
  // Only a deletion that happened goes into the operation log.
  if (CQorFile().DeleteFile(path)) WriteOpLog("[删除]删除日志：" + path, m_context.config);
  // A remembered day that named this file would only come back as missing.
  if (m_context.logFile == path) {
    m_context.logFile.clear();
    m_context.logDate.clear();
  }
  m_strFilePath.clear();
  SetTimer(kLoadTimer, 10);
}

void CDialogLogShow::OnOpenLogFolder() {
  // The desktop has no "select this file"; the folder that holds it is opened.
  const size_t slash = gbk::RFind(m_strFilePath, '/');
  ui::ShellOpen(slash == gbk::npos ? LogFolder() : m_strFilePath.substr(0, slash + 1), "", "open", true);
}

void CDialogLogShow::OnReload() { SetTimer(kLoadTimer, 100); }

void CDialogLogShow::OnShowDetail() {
  const int row = m_listEntries.GetFirstSelected();
  if (row < 0) return;
  const std::string number = gbk::CutBytes(m_listEntries.GetItemText(row, kColNumber), 9);
  const std::string time = gbk::CutBytes(m_listEntries.GetItemText(row, kColTime), 29);
  const std::string type = gbk::CutBytes(m_listEntries.GetItemText(row, kColType), 29);
  const std::string operation = gbk::CutBytes(m_listEntries.GetItemText(row, kColOperation), 29);
  const std::string address = gbk::CutBytes(m_listEntries.GetItemText(row, kColAddress), 999);
  const std::string detail = m_listEntries.GetItemText(row, kColDetail);
  ShowMessageBox("序号:" + number + "\n\n时间:" + time + "\n\n类型:" + type + "\n\n操作:" + operation +
                     "\n\n详细:" + address + "\n\n备注:" + detail,
                 "Qor详细日志(摁下Ctrl+C可复制文字内容)", kMbIconInformation);
  RedrawEntryList();
}

void CDialogLogShow::RedrawEntryList() { InvalidateItem(kIdcShowEntries, true); }

void CDialogLogShow::ShowPopup(int menuId) {
  const ui::Menu* menu = ui::LoadMenu(menuId);
  const ui::MenuItem* popup = menu ? menu->SubMenu(0) : nullptr;
  if (popup) ui::TrackPopupMenu(*popup, ui::CursorPos(), this);
}

bool CDialogLogShow::PreTranslateKey(const ui::KeyEvent& key) {
  switch (key.key) {
    case ui::Key::Enter:
      if (key.focusId == kIdcShowDays) OnShowDayLog();
      else if (key.focusId == kIdcShowEntries) OnShowDetail();
      return true;
    case ui::Key::PageUp:
    case ui::Key::Left:
      OnPrevPage();
      return true;
    case ui::Key::PageDown:
    case ui::Key::Right:
      OnNextPage();
      return true;
    default:
      return ui::Dialog::PreTranslateKey(key);
  }
}

ui::Cursor CDialogLogShow::OnSetCursor(int id) {
  return id >= kIdcShowFirst && id <= kIdcShowLast ? ui::Cursor::Hand : ui::Cursor::Default;
}

void CDialogLogShow::OnSize(int w, int h) {
  ui::Dialog::OnSize(w, h);
  if (IsMinimized() || !m_bInitialized) return;
  ui::Rect r = ItemRect(kIdcShowDays);
  r.bottom = h - 30;
  MoveItem(kIdcShowDays, r);
  const int room = w - 700;
  if (room < 350) {
    m_listEntries.SetColumnWidth(kColAddress, 150);
    m_listEntries.SetColumnWidth(kColDetail, 300);
  } else if (room > 350) {
    m_listEntries.SetColumnWidth(kColAddress, 150);
    m_listEntries.SetColumnWidth(kColDetail, w - 900);
  }
  for (int id : {kIdcShowTabs, kIdcShowEntries}) {
    r = ItemRect(id);
    r.right = w - 10;
    r.bottom = h - 30;
    MoveItem(id, r);
  }
  for (int id : {kIdcShowStatus, kIdcShowKeywordLabel, kIdcShowFirst, kIdcShowPrev, kIdcShowNext, kIdcShowLast}) {
    r = ItemRect(id);
    r.top = h - 20;
    r.bottom = h - 5;
    MoveItem(id, r);
  }
  for (int id : {kIdcShowKeyword, kIdcShowSearch}) {
    r = ItemRect(id);
    r.top = h - 25;
    r.bottom = h - 3;
    MoveItem(id, r);
  }
}
