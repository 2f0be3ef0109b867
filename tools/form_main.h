#pragma once
// The toolbox's start-up: set up the filter facts, run the one switch the command line
// names, end. Nothing is shown; the log is the report.
#include <string>

class FormMain {
 public:
  // The form as it is made; it is never shown.
  static constexpr const char kCaption[] = "Qor·网站访问控制系统 工具 V1.3.2";
  static constexpr const char kCmdTestName[] = "Cmd_Test";
  static constexpr const char kCmdTestCaption[] = "测试";
  static constexpr const char kLabel1Name[] = "Label1";
  static constexpr const char kLabel1Caption[] = "欢迎使用Qor·网站访问控制系统";

  // The button's click does nothing.
  void Cmd_Test_Click() {}
  // Sets the performance query object of CpuAndPool back to nothing.
  void Form_Unload();

  // The whole argument text, compared lower-cased and exactly with the switches.
  // Returns the exit code: 1 when a failure was logged, else 0 (also when nothing matched).
  int Form_Load(const std::string& commandLine);
};
