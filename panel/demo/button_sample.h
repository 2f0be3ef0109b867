#pragma once
// A dialog with every owner-drawn control of the panel: gradient buttons in their
// states, picture buttons on the header band and a sortable list.
#include <cstdio>

#include "platform/ui/ui_hooks.h"
#include "panel/hover_button.h"
#include "panel/my_button.h"
#include "panel/sort_list_ctrl.h"
#include "panel/xp_button.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"
#include "platform/ui/resource_set.h"
#include "resources/demo_resources.h"
#include "resources/panel_ids.h"

class CButtonSample : public ui::Dialog {
 public:
  CButtonSample() : ui::Dialog(res::demo::kDlgButtonSample) {}

  CXPButton m_restartIis, m_restartService, m_repair;
  CMyButton m_ok;
  CHoverButton m_system, m_rules, m_logs, m_close, m_minimize;
  CSortListCtrl m_list;

  void DoDataExchange(ui::DataExchange& dx) override {
    using namespace res::demo;
    dx.Control(kIdcRestartIis, m_restartIis);
    dx.Control(kIdcRestartService, m_restartService);
    dx.Control(kIdcRepair, m_repair);
    dx.Control(kIdOk, m_ok);
    dx.Control(kIdcSystemTab, m_system);
    dx.Control(kIdcRulesTab, m_rules);
    dx.Control(kIdcLogsTab, m_logs);
    dx.Control(kIdcClose, m_close);
    dx.Control(kIdcMinimize, m_minimize);
    dx.Control(kIdcList, m_list);
  }

  bool OnInitDialog() override {
    ui::Dialog::OnInitDialog();
    using namespace res::panel;
    struct Picture {
      CHoverButton& button;
      int bitmap;
      const char* tip;
    } pictures[] = {{m_close, kBmpClose, "关闭软件"},
                    {m_minimize, kBmpMinimize, "最小化软件"},
                    {m_rules, kBmpRulesTab, "规则设置"},
                    {m_logs, kBmpLogsTab, "日志管理"},
                    {m_system, kBmpSystemTab, "系统设置"}};
    for (auto& p : pictures) {
      p.button.LoadBitmaps(p.bitmap);
      p.button.SetToolTipText(p.tip);
    }
    m_list.SetExtendedStyle(ui::list_style::kGridLines | ui::list_style::kCheckBoxes | ui::list_style::kFullRowSelect);
    m_list.InsertColumn(0, "序号", ui::Align::Left, 56);
    m_list.InsertColumn(1, "日期", ui::Align::Left, 250);
    m_list.InsertColumn(2, "条数", ui::Align::Left, 90);
    m_list.InsertColumn(3, "路径", ui::Align::Left, 0);
    const char* days[] = {"2026-12-05", "2026-12-06", "2026-12-07", "2026-12-08", "2026-12-09"};
    const char* counts[] = {"12", "999+", "3", "120", "7"};
    for (int i = 0; i < 5; ++i) {
      int row = m_list.InsertItem(0, "");
      m_list.SetItemText(row, 2, counts[i]);
      char number[16];
      std::snprintf(number, sizeof number, "%d", m_list.GetItemCount());
      m_list.SetItemText(row, 0, number);
      m_list.SetItemText(row, 1, days[i]);
      m_list.SetItemText(row, 3, std::string("log/qor") + days[i] + ".log");
    }
    m_list.OnColumnClick(1);  // newest first after two clicks
    m_list.OnColumnClick(1);
    OnCommand(res::demo::kIdcClose, [this] { EndDialog(kIdCancel); });
    return true;
  }

  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override {
    if (!control) {
      colors.pattern = ui::LoadBitmap(res::panel::kBmpBackground);
      return;
    }
    if (control->kind == ui::ControlKind::Static) colors.transparent = true;
    if (control->id == res::demo::kIdcTitle) colors.SetText(ui::Rgb(255, 255, 255));
    if (control->id == res::demo::kIdcNote) colors.SetText(ui::Rgb(255, 0, 0));
  }

  void OnLButtonDown(ui::Point) override { BeginWindowDrag(); }
};
