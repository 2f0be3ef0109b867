#pragma once
// The toolbox's start-up: set up the filter facts, run the one switch the command line
// names, end. Nothing is shown; the log is the report.
#include <string>

class FormMain {
 public:
  // The whole argument text, compared lower-cased and exactly with the switches.
  // Returns the exit code: 1 when a failure was logged, else 0 (also when nothing matched).
  int Form_Load(const std::string& commandLine);
};
