#pragma once
// What both layout tests share: one Qt host for the program (set up as every Qt test
// program is), and the check of one dialog with its pages, reported by dialog and control id.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "platform/fs.h"
#include "platform/ui/dialog.h"
#include "platform/ui/qt/qt_host.h"
#include "platform/ui/qt/qt_layout_check.h"
#include "tests/support/qt_test_env.h"

namespace qortest {

inline ui::QtHost* g_layoutHost = nullptr;

class LayoutEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_layoutHost = new ui::QtHost(g_qtArgc, g_qtArgv);
  }
  void TearDown() override {
    delete g_layoutHost;
    g_layoutHost = nullptr;
  }
};

inline std::string FaultList(const std::vector<ui::LayoutFault>& faults) {
  std::string out;
  for (const ui::LayoutFault& f : faults) out += "  " + ui::DescribeFault(f) + "\n";
  return out;
}

// The ids of the dialog and of every page below it.
inline void CollectTemplates(const ui::Dialog& dlg, std::set<int>& ids) {
  ids.insert(dlg.TemplateId());
  for (const ui::Dialog* child : dlg.Children()) CollectTemplates(*child, ids);
}

// The dialog as a picture in the artifacts folder, and every control and caption of it
// and of its pages in view.
inline void ExpectLaidOut(ui::Dialog& dlg, const std::string& picture, std::set<int>* checked = nullptr) {
  ASSERT_TRUE(g_layoutHost->RenderToPng(dlg, ArtifactsDir() + picture + ".png")) << picture;
  const std::vector<ui::LayoutFault> faults = ui::CheckLayout(dlg);
  EXPECT_TRUE(faults.empty()) << picture << ":\n" << FaultList(faults);
  if (checked) CollectTemplates(dlg, *checked);
}

}  // namespace qortest
