#pragma once
// The panel's main window: a borderless 670 x 490 window that hosts the system, rule
// list and log pages one at a time, with the window buttons, the help and update
// links and a rotating notice line fetched from the web.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "common/build.h"
#include "panel/hover_button.h"
#include "platform/ui/dialog.h"

class CQorIPDlg : public ui::Dialog {
 public:
  // Fetches the notice list address; HttpGetText's contract (1 with the reply).
  using NoticeFetcher = std::function<int(const std::string& url, std::string& reply)>;

  static constexpr int kNoticeTimer = 3;
  static constexpr int kNoticeTimerMs = 3000;
  // One-shot: the notice list is asked for this long after the window opens.
  static constexpr int kNoticeFetchTimer = 4;
  static constexpr int kNoticeFetchDelayMs = 2000;
  static constexpr int kPageLeft = 10, kPageTop = 88, kPageWidth = 646, kPageHeight = 381;

  CQorIPDlg();
  ~CQorIPDlg() override;

  void DoDataExchange(ui::DataExchange& dx) override;
  bool PreTranslateKey(const ui::KeyEvent& key) override;
  bool OnInitDialog() override;
  void OnSysCommand(int id) override;
  void OnPaint(ui::Painter& painter) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  void OnLButtonDown(ui::Point client) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;
  ui::Cursor OnSetCursor(int id) override;
  void OnTimer(int id) override;
  void OnDestroy() override;

  void OnSystemTab();
  void OnRulesTab();
  void OnLogsTab();
  void OnRestartIis();
  void OnGuideLink();
  void OnNoticeLink();
  void OnCheckUpdate();
  void OnLookupTest();

  // The kept notice items of a notice-list reply, in their order.
  static StringList ParsePromoList(const std::string& reply);

  ui::Dialog* CurrentPage() const { return m_pCurrentPage; }
  ui::Dialog* SystemPage() const { return m_pageSys.get(); }
  ui::Dialog* RulesPage() const { return m_pageRule.get(); }
  ui::Dialog* LogsPage() const { return m_pageLog.get(); }
  const StringList& NoticeList() const { return m_listNotices; }
  const std::string& NoticeAddress() const { return m_strNoticeUrl; }
  const std::string& NoticeTitle() const { return m_strNoticeTitle; }
  const std::string& DefaultNoticeAddress() const { return m_strDefaultUrl; }
  const std::string& DefaultNoticeTitle() const { return m_strDefaultTitle; }
  const std::string& NoticeListAddress() const { return m_strNoticeListUrl; }

  // Set before the window opens; the fetch runs on a worker thread.
  void SetNoticeFetcher(NoticeFetcher fetcher) { m_fetchNotices = std::move(fetcher); }

 protected:
  // The three pages, created by the window; tests stand in for them.
  virtual std::unique_ptr<ui::Dialog> MakeSystemPage();
  virtual std::unique_ptr<ui::Dialog> MakeRulesPage();
  virtual std::unique_ptr<ui::Dialog> MakeLogsPage();
  // The start splash, which loads the configuration store.
  virtual void RunStartSplash();
  // The update check's request (CHttp::Get's contract).
  virtual int RequestUpdate(const std::string& url, std::string& reply);
  // The IIS restart of the close button.
  virtual void RestartIis();

 private:
  void ShowPage(ui::Dialog* page);
  void CreatePage(ui::Dialog& page, bool show);
  void UpdateRecordFile();
  void StartNoticeFetch();
  void TakeNotices(StringList items);

  ui::Dialog* m_pCurrentPage = nullptr;
  std::unique_ptr<ui::Dialog> m_pageSys;
  std::unique_ptr<ui::Dialog> m_pageRule;
  std::unique_ptr<ui::Dialog> m_pageLog;
  const ui::Image* m_bmpBackground = nullptr;
  StringList m_listNotices;
  // Index of the item shown next; npos for none.
  size_t m_posNotice = std::string::npos;
  std::string m_strNoticeUrl;
  std::string m_strNoticeTitle;
  std::string m_strDefaultUrl;
  std::string m_strDefaultTitle;
  std::string m_strNoticeListUrl;
  CHoverButton m_btnSystem, m_btnRules, m_btnLogs, m_btnClose, m_btnMinimize;

  NoticeFetcher m_fetchNotices;
  // Shared with the notice thread, which is never waited for: a slow fetch must not
  // keep a closed panel (and its single-instance lock) alive. Cleared under the lock
  // when the window goes, so that the thread posts nothing after that.
  struct NoticeFetchState {
    std::mutex lock;
    std::atomic<bool> alive{true};
  };
  std::shared_ptr<NoticeFetchState> m_fetchState;
  bool m_noticeFetchStarted = false;
  void EndNoticeFetch();
};
