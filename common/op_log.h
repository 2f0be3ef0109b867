#pragma once
// The operation log: what the administrator did, one line in today's daily log.
#include <string>

class CConfig;

// The store whose <KeyLogOn> switches the log; the panel registers its global store at
// start-up. Without one the log counts as switched off.
void SetOpLogConfig(const CConfig* config);

// Unless the switch is exactly "1": 1, nothing written. Otherwise appends
// now + "\t管理\t用户设置\t-\t" + text + "(" + account + ")" to today's file in g_LogDir
// (InitGlobalPaths first when it is unset), tabs and line breaks of the text and the
// account turned into blanks. 1 written, 0 when the file cannot be written.
int WriteOpLog(const std::string& text);
int WriteOpLog(const std::string& text, const CConfig& config);
