#pragma once
// A temporary installation with a loaded store, a fixed day (2016-09-20, noon) and the
// panel's resources, for the log page and the log viewer.
#include <string>
#include <vector>

#include "common/config.h"
#include "common/program_paths.h"
#include "panel/log_context.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/ui/list_model.h"
#include "resources/panel_resources.h"
#include "tests/support/temp_install.h"
#include "tests/ui/ui_host_fixture.h"

namespace qortest {

class LogTest : public UiHostTest {
 protected:
  LogTest() {
    platform::clock::SetFake(platform::clock::FromLocal(2016, 9, 20, 12, 0, 0));
    m_install.WriteMachineIni();
    UseResources(res::PanelResources());
    InitGlobalPaths();
    m_config.Load();
    m_config.SetLogOn("1");
  }

  LogContext Context() { return LogContext{m_config, m_logFile, m_logDate, ui::Font{"宋体", 10, true}, ui::Font{}}; }
  std::string LogDir() const { return m_install.ProgramDir() + "log/"; }
  void WriteLog(const std::string& name, const std::string& content) {
    m_install.WriteProgramFile("log/" + name, content);
  }
  static std::string Lines(int count, const std::string& line) {
    std::string out;
    for (int i = 0; i < count; ++i) out += line + "\n";
    return out;
  }
  static std::vector<std::vector<std::string>> Rows(const ui::ListCtrl& list) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : list.Model()->Rows()) rows.push_back(r.texts);
    return rows;
  }

  TempInstall m_install;
  CConfig m_config;
  std::string m_logFile, m_logDate;
};

}  // namespace qortest
