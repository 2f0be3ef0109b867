#include "panel/qor_ip_dlg.h"

#include <system_error>
#include <thread>
#include <utility>

#include "common/coded_constants.h"
#include "common/coding.h"
#include "common/date_text.h"
#include "platform/gbk.h"
#include "common/http_text.h"
#include "common/ini_reader.h"
#include "common/program_paths.h"
#include "common/service_ctrl.h"
#include "common/split.h"
#include "common/system_info.h"
#include "common/tag_text.h"
#include "common/text_file.h"
#include "platform/ui/ui_hooks.h"
#include "common/update_endpoint.h"
#include "panel/about_dlg.h"
#include "panel/dialog_start.h"
#include "panel/panel_globals.h"
#include "panel/prop_dlg_log.h"
#include "panel/prop_dlg_rule.h"
#include "panel/prop_dlg_sys.h"
#include "platform/clock.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/resource_set.h"
#include "resources/panel_ids.h"
#include "resources/panel_main_ids.h"

using namespace res::panel;

namespace {
const char* const kVersion = endpoint::kProgramVersion;
constexpr int kNoticeMinLength = 8;
constexpr size_t kNoPosition = std::string::npos;

bool IsLink(int id) { return id == kIdcGuideLink || id == kIdcNoticeLink || id == kIdcUpdateLink; }
}  // namespace

CQorIPDlg::CQorIPDlg()
    : ui::Dialog(kDlgMain), m_fetchNotices(HttpGetText), m_fetchState(std::make_shared<NoticeFetchState>()) {
  OnCommand(kIdcSystemTab, [this] { OnSystemTab(); });
  OnCommand(kIdcRulesTab, [this] { OnRulesTab(); });
  OnCommand(kIdcLogsTab, [this] { OnLogsTab(); });
  OnCommand(kIdOk, [this] { OnOK(); });
  OnCommand(kIdcCloseText, [this] { OnOK(); });
  OnCommand(kIdcCloseButton, [this] { OnRestartIis(); });
  OnCommand(kIdcNoticeLink, [this] { OnNoticeLink(); });
  OnCommand(kIdcGuideLink, [this] { OnGuideLink(); });
  OnCommand(kIdcUpdateLink, [this] { OnCheckUpdate(); });
  OnCommand(kIdcMinimizeButton, [this] { ShowWindow(ui::ShowMode::Minimize); });
  OnCommand(kIdcLookupTest, [this] { OnLookupTest(); });
}

CQorIPDlg::~CQorIPDlg() {
  EndNoticeFetch();
  // The pages go before the window they live in.
  if (m_pageSys) m_pageSys->DestroyWindow();
  if (m_pageRule) m_pageRule->DestroyWindow();
  if (m_pageLog) m_pageLog->DestroyWindow();
}

void CQorIPDlg::DoDataExchange(ui::DataExchange& dx) {
  dx.Control(kIdcSystemTab, m_btnSystem);
  dx.Control(kIdcRulesTab, m_btnRules);
  dx.Control(kIdcLogsTab, m_btnLogs);
  dx.Control(kIdcCloseButton, m_btnClose);
  dx.Control(kIdcMinimizeButton, m_btnMinimize);
}

bool CQorIPDlg::PreTranslateKey(const ui::KeyEvent& key) {
  if (key.key == ui::Key::Escape || key.key == ui::Key::Enter || key.key == ui::Key::F1) return true;
  return ui::Dialog::PreTranslateKey(key);
}

bool CQorIPDlg::OnInitDialog() {
  // A later start finds this window through the application, which listens for it once
  // the window is its main window.
  SetWindowText(std::string("网站访问控制系统 - V") + kVersion);
  UpdateRecordFile();

  ui::Dialog::OnInitDialog();
  g_ProgramDir = GetModuleDir();

  SetWindowSize(670, 490);
  // Minimised behind the splash until the start is done.
  ShowWindow(ui::ShowMode::Minimize);
  ShowWindow(ui::ShowMode::Show);
  ShowItem(kIdcLookupTest, false);

  RunStartSplash();

  const std::string about = ui::LoadString(kStrAboutMenu);
  if (!about.empty()) {
    AppendSystemMenu(0, "");
    AppendSystemMenu(kCmdAbout, about);
  }
  SetIcon(kIconProgram);
  m_bmpBackground = ui::LoadBitmap(kBmpBackground);

  m_btnClose.LoadBitmaps(kBmpClose);
  m_btnClose.SetToolTipText("关闭软件");
  m_btnMinimize.LoadBitmaps(kBmpMinimize);
  m_btnMinimize.SetToolTipText("最小化软件");
  m_btnRules.LoadBitmaps(kBmpRulesTab);
  m_btnRules.SetToolTipText("规则设置");
  m_btnLogs.LoadBitmaps(kBmpLogsTab);
  m_btnLogs.SetToolTipText("日志管理");
  m_btnSystem.LoadBitmaps(kBmpSystemTab);
  m_btnSystem.SetToolTipText("系统设置");

  m_pageSys = MakeSystemPage();
  m_pageRule = MakeRulesPage();
  m_pageLog = MakeLogsPage();
  CreatePage(*m_pageSys, true);
  CreatePage(*m_pageRule, false);
  CreatePage(*m_pageLog, false);
  m_pCurrentPage = m_pageSys.get();

  BringToFront();
  ShowWindow(ui::ShowMode::Restore);

  SetItemText(kIdcCloseText, "");
  InvalidateItem(kIdcCloseText, true);
  SetWindowText(std::string("Qor·网站访问控制系统") + " - V" + kVersion);

  m_strDefaultUrl = DefaultAddress();
  m_strDefaultTitle = DecodeBuiltinPair(coded::kNoticeDefaultTitle);
  m_strNoticeListUrl = endpoint::OverrideAddress(DecodeBuiltinPair(coded::kNoticeListAddress));

  m_posNotice = kNoPosition;
  SetTimer(kNoticeFetchTimer, kNoticeFetchDelayMs);
  SetTimer(kNoticeTimer, kNoticeTimerMs);
  g_Global.m_bNeedRestartIis = 0;
  return true;
}

void CQorIPDlg::UpdateRecordFile() {
  CIniReader record = RecordFileReader();
  if (record.ReadValue(kRecordSection, "version") != kVersion) record.WriteValue(kVersion, "version", kRecordSection);
  if (record.ReadValue(kRecordSection, "settime").empty()) record.WriteValue(GetNowText(), "settime", kRecordSection);
  const std::string dir = GetModuleDir();
  if (record.ReadValue(kRecordSection, "apppath") != dir) record.WriteValue(dir, "apppath", kRecordSection);
}

void CQorIPDlg::CreatePage(ui::Dialog& page, bool show) {
  if (!page.Create(this)) return;
  page.SetWindowPos(ui::Rect::FromSize(kPageLeft, kPageTop, kPageWidth, kPageHeight));
  page.ShowWindow(show ? ui::ShowMode::Show : ui::ShowMode::Hide);
}

std::unique_ptr<ui::Dialog> CQorIPDlg::MakeSystemPage() { return std::make_unique<CPropDlgSys>(); }
std::unique_ptr<ui::Dialog> CQorIPDlg::MakeRulesPage() { return std::make_unique<CPropDlgRule>(); }
std::unique_ptr<ui::Dialog> CQorIPDlg::MakeLogsPage() { return std::make_unique<CPropDlgLog>(); }

void CQorIPDlg::RunStartSplash() {
  CDialogStart splash(g_Config);
  splash.DoModal();
}

int CQorIPDlg::RequestUpdate(const std::string& url, std::string& reply) { return g_Http.Get(url, reply); }

void CQorIPDlg::RestartIis() { CServiceCtrl().RestartService("w3svc", "", 0); }

// --- pages ---

void CQorIPDlg::ShowPage(ui::Dialog* page) {
  if (!page || page == m_pCurrentPage || page->IsVisible()) return;
  if (m_pCurrentPage) m_pCurrentPage->ShowWindow(ui::ShowMode::Hide);
  m_pCurrentPage = page;
  page->ShowWindow(ui::ShowMode::Show);
}

void CQorIPDlg::OnSystemTab() { ShowPage(m_pageSys.get()); }
void CQorIPDlg::OnRulesTab() { ShowPage(m_pageRule.get()); }
void CQorIPDlg::OnLogsTab() { ShowPage(m_pageLog.get()); }

// --- the window ---

void CQorIPDlg::OnSysCommand(int id) {
  if ((id & 0xFFF0) == kCmdAbout) {
    CAboutDlg about;
    about.DoModal();
  }
}

bool CQorIPDlg::OnEraseBackground(ui::Painter& painter) {
  if (!m_bmpBackground) return false;
  painter.FillPattern(ClientRect(), *m_bmpBackground);
  return true;
}

void CQorIPDlg::OnPaint(ui::Painter& painter) {
  if (!IsMinimized()) return;
  const ui::Image* icon = ui::LoadIcon(IconId());
  if (!icon) return;
  const ui::Rect client = ClientRect();
  const int x = (client.Width() - icon->Width() + 1) / 2, y = (client.Height() - icon->Height() + 1) / 2;
  painter.DrawImage(*icon, ui::Rect{0, 0, icon->Width(), icon->Height()},
                    ui::Rect::FromSize(x, y, icon->Width(), icon->Height()));
}

void CQorIPDlg::OnLButtonDown(ui::Point) { BeginWindowDrag(); }

void CQorIPDlg::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  if (control && control->id == kIdcMainTitle) colors.SetText(ui::Rgb(255, 255, 255));
  if (control && control->kind == ui::ControlKind::Static) {
    colors.transparent = true;
    return;
  }
  if (!control || control->kind == ui::ControlKind::Button) {
    colors.transparent = true;
    colors.pattern = m_bmpBackground;
  }
}

ui::Cursor CQorIPDlg::OnSetCursor(int id) { return IsLink(id) ? ui::Cursor::Hand : ui::Dialog::OnSetCursor(id); }

void CQorIPDlg::OnDestroy() { EndNoticeFetch(); }

void CQorIPDlg::EndNoticeFetch() {
  std::lock_guard<std::mutex> hold(m_fetchState->lock);
  m_fetchState->alive.store(false);
}

// --- close, links, update ---

void CQorIPDlg::OnRestartIis() {
  if (g_Global.m_bNeedRestartIis) {
    const int answer = ShowMessageBox(
        "配置信息发生变更，需要重启IIS才能立即生效。\n\n需要立即重启IIS吗？IIS重启完成后窗口会自动关闭。", "Qor",
        kMbYesNo | kMbIconQuestion);
    if (answer == kIdYes) {
      PumpMessages();
      RestartIis();
      g_Global.m_bNeedRestartIis = 0;
    }
  }
  OnOK();
}

void CQorIPDlg::OnGuideLink() { ui::ShellOpen(ProductAddress() + "/help/guide/", "", "open", true); }

void CQorIPDlg::OnNoticeLink() {
  if (m_strNoticeUrl.empty()) m_strNoticeUrl = m_strDefaultUrl;
  ui::ShellOpen(m_strNoticeUrl, "", "open", true);
}

void CQorIPDlg::OnCheckUpdate() {
  EnableItem(kIdcUpdateLink, false);
  std::string reply;
  const int result = RequestUpdate(g_Global.m_strUpdateUrl + endpoint::VersionCheckQuery(), reply);
  if (result == CHttp::kNetworkError) {
    ShowMessageBox("网络连接失败！请检查您的计算机能否访问网络。", "错误", kMbOk | kMbIconError);
  } else if (result == CHttp::kFailed) {
    ShowMessageBox("发生错误！\n\n错误信息：" + reply, "错误", kMbOk | kMbIconWarning);
  } else if (gbk::Contains(reply, endpoint::kReplyError)) {
    gbk::ReplaceAll(reply, endpoint::kReplyError, "");
    ShowMessageBox("发生错误！\n\n错误信息：" + reply, "错误", kMbOk | kMbIconWarning);
  } else if (gbk::Contains(reply, endpoint::kTagUpdateUrlClose)) {
    const std::string version = GetTagValue(reply, endpoint::kTagVersionOpen, endpoint::kTagVersionClose);
    std::string describe = GetTagValue(reply, endpoint::kTagDescribeOpen, endpoint::kTagDescribeClose);
    gbk::ReplaceAll(describe, "<p>", "\r\n");
    gbk::ReplaceAll(describe, "|", "\r\n");
    // A plain byte-wise comparison, as the endpoint's version texts are written for.
    if (version.compare(kVersion) > 0) {
      ShowMessageBox("发现新版本。\n\n新版本号：" + version + "\n\n升级描述：" + describe + "\n\n请注意升级。", "提示",
                     kMbOk | kMbIconInformation);
    } else {
      ShowMessageBox("目前版本已经是最新版本，暂不需要升级。", "提示", kMbOk | kMbIconInformation);
    }
  } else {
    ShowMessageBox("数据错误：" + gbk::CutBytes(reply, 20), "提示", kMbOk | kMbIconInformation);
  }
  EnableItem(kIdcUpdateLink, true);
}

void CQorIPDlg::OnLookupTest() {
  std::string text;
  ReadTextFile(GetModuleDir() + "iplib.db", text);
  const int64_t start = platform::clock::NowMs();
  SubstituteChars(text);
  const int64_t elapsed = platform::clock::NowMs() - start;
  ShowMessageBox("时间 " + std::to_string(elapsed) + " 毫秒," + gbk::CutBytes(text, 100), "QorIP", kMbOk | kMbIconWarning);
}

// --- notices ---

StringList CQorIPDlg::ParsePromoList(const std::string& reply) {
  StringList pieces, kept;
  const std::string body = GetTagValue(gbk::ToLower(reply), endpoint::kTagNoticesOpen, endpoint::kTagNoticesClose);
  SplitToList(body, endpoint::kNoticeSeparator, pieces, true, kNoticeMinLength);
  for (const std::string& item : pieces) {
    if (!gbk::Contains(item, "<soft>") || !gbk::Contains(item, "<url>") || !gbk::Contains(item, "<title>") ||
        !gbk::Contains(item, "<color>"))
      continue;
    const std::string soft = GetTagValue(item, "<soft>", "</soft>");
    if ((gbk::Contains(soft, "*") || gbk::Contains(soft, "qorsms")) && !gbk::Contains(soft, "!qorsms"))
      kept.push_back(item);
  }
  return kept;
}

void CQorIPDlg::StartNoticeFetch() {
  if (m_noticeFetchStarted || !m_fetchNotices) return;
  m_noticeFetchStarted = true;
  // The worker touches only its own copies and the shared state; the window takes the
  // result on its thread.
  auto work = [fetch = m_fetchNotices, url = m_strNoticeListUrl, state = m_fetchState, this] {
    std::string reply;
    const bool fetched = fetch(url, reply) == 1;
    StringList items = fetched ? ParsePromoList(reply) : StringList{};
    std::lock_guard<std::mutex> hold(state->lock);
    if (!state->alive.load()) return;
    ui::PostToUiThread([state, this, fetched, items = std::move(items)]() mutable {
      if (!state->alive.load()) return;
      if (!fetched) {
        m_strNoticeUrl = m_strDefaultUrl;
        m_strNoticeTitle = m_strDefaultTitle;
      }
      TakeNotices(std::move(items));
    });
  };
  try {
    std::thread(std::move(work)).detach();
  } catch (const std::system_error&) {
    // Without a thread the default notice stays.
  }
}

void CQorIPDlg::TakeNotices(StringList items) {
  m_listNotices = std::move(items);
  m_posNotice = kNoPosition;
}

void CQorIPDlg::OnTimer(int id) {
  if (id == kNoticeFetchTimer) {
    KillTimer(kNoticeFetchTimer);
    StartNoticeFetch();
    return;
  }
  if (id != kNoticeTimer) return;
  if (m_listNotices.empty()) {
    m_strNoticeUrl = m_strDefaultUrl;
    m_strNoticeTitle = m_strDefaultTitle;
  } else {
    if (m_posNotice == kNoPosition || m_posNotice >= m_listNotices.size()) m_posNotice = 0;
    const std::string& item = m_listNotices[m_posNotice];
    m_posNotice = m_posNotice + 1 < m_listNotices.size() ? m_posNotice + 1 : kNoPosition;
    m_strNoticeUrl = GetTagValue(item, "<url>", "</url>");
    m_strNoticeTitle = gbk::ToUpper(GetTagValue(item, "<title>", "</title>"));
  }
  SetItemText(kIdcNoticeLink, m_strNoticeTitle);
  InvalidateItem(kIdcNoticeLink, true);
}
