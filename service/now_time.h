#pragma once
// Date-time texts of the service, for the current local moment.
#include <string>

// "hh:mm:ss", each part zero-filled.
std::string GetNowTime();
// "YYYY-MM-DD hh:mm:ss".
std::string GetNowDateTime();
// The same text; kept for callers written against the standard-string form.
inline std::string GetNowDateTimeStd() { return GetNowDateTime(); }
