#pragma once
// What a downloaded IP library must be before it may replace iplib.db, for the panel
// and the service alike.
#include <string>

// Empty when the library text may be stored; else why not: a zero byte in it, or not
// one record that the table reads (in either of the library's two forms).
std::string IpLibRefusal(const std::string& library);
