#pragma once
// The detailed log viewer: the days that have a daily log on the left, the entries of
// one day on the right, sorted into eleven type tabs, fifty to a page, with a keyword
// filter, a detail box, deletion of the day and the log folder.
#include <string>
#include <string_view>
#include <vector>

#include "common/build.h"
#include "panel/log_context.h"
#include "panel/sort_list_ctrl.h"
#include "panel/xp_button.h"
#include "platform/ui/control_ref.h"
#include "platform/ui/dialog.h"

class CDialogLogShow : public ui::Dialog {
 public:
  static constexpr int kPageSize = 50;
  static constexpr int kTabCount = 11;

  CDialogLogShow();
  explicit CDialogLogShow(const LogContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool PreTranslateKey(const ui::KeyEvent& key) override;
  void OnTimer(int id) override;
  ui::Cursor OnSetCursor(int id) override;
  void OnSize(int clientWidth, int clientHeight) override;

  void CountByType();
  void ShowPage(int page);
  void SetBusyText(const std::string& text);

  void OnShowDayLog();
  void OnDeleteDayLog();
  void OnOpenLogFolder();
  void OnReload();
  void OnShowDetail();
  void OnSearch();
  void OnTabChange(ui::Event& ev);
  void RedrawEntryList();
  void OnFirstPage();
  void OnPrevPage();
  void OnNextPage();
  void OnLastPage();

  // What the dialog shows, for its owner and its tests.
  const std::string& DayText() const { return m_strDay; }
  const std::string& FilePath() const { return m_strFilePath; }
  int CurrentPage() const { return m_nCurPage; }
  int PageCount() const { return m_nPageCount; }
  int PageShown() const { return m_nPageShown; }
  int TabIndex() const { return m_nTab; }
  // Lines of a tab (0 every line of the day, then one tab per type).
  size_t LineCount(int tab) const;
  std::string Line(int tab, size_t index) const;

  CSortListCtrl m_listDays;
  CSortListCtrl m_listEntries;
  ui::TabCtrl m_tabTypes;
  CXPButton m_btnSearch;
  std::string m_strKeyword;

 private:
  void LoadDays();
  void FindMatches();
  void GoToPage(int page);
  void ShowPopup(int menuId);
  std::string LogFolder() const;

  LogContext m_context;
  bool m_bInitialized = false;
  std::string m_strDay;
  std::string m_strFilePath;
  int m_nCurPage = 1;
  int m_nPageCount = 0;
  int m_nPageShown = 0;
  StringList m_listFileNames;
  int m_nTab = 0;
  // The day's file as read, and its lines as places in it: index 0 every line of the
  // day, then one array per tab in tab order. A day of many lines costs its bytes once,
  // not a string per line per array.
  struct LineRef {
    size_t offset;
    size_t length;
  };
  const std::vector<LineRef>& Refs(int tab) const;
  std::string_view View(const LineRef& ref) const { return std::string_view(m_strText).substr(ref.offset, ref.length); }
  std::string m_strText;
  std::vector<LineRef> m_arrLines[kTabCount];
  // The lines of the current tab that hold the keyword; empty without one.
  std::vector<LineRef> m_arrMatches;
  size_t m_nScan = 0;
};
