// QoripTools: registers the filter module with IIS, repairs permissions, recycles the
// application pools; one switch a run.
#include <string>

#include "platform/notice.h"
#include "tools/form_main.h"
#include "tools/tools_log.h"

int main(int argc, char** argv) {
  // The argument text as the program was given it: the pieces joined by single blanks.
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  // What the layer refused goes to the toolbox's log too: WriteLog takes no lock, its
  // line is one O_APPEND write.
  platform::notice::SetSink(WriteLog);
  FormMain form;
  int code = form.Form_Load(commandLine);
  form.Form_Unload();
  return code;
}
